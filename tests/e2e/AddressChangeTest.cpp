// Change IP Address or Port under Wine with the real executable, through its
// real windows: the tray menu, the dialog, the question; the temporary copy
// re-stamps the executable and the runner comes back on the new address and
// port. A copy that cannot be made leaves the runner as it was.
#include <doctest/doctest.h>

#include "E2eKit.h"
#include "StandinText.h"
#include "util/Utf.h"

using namespace e2e;

namespace {

constexpr unsigned StepTimeoutMs = 20000;
constexpr unsigned ComeBackTimeoutMs = 120000;

const char DialogCaption[] = "Change IP Address or Port";

struct TChange {
    int AddressItem;  // 0: 127.0.0.1, 1: 0.0.0.0
    int Port;
};

// From the tray menu to the answer Yes. The dialog first shows what the
// executable holds, with OK disabled until something changes.
void ChangeAddress(const TDistribution& distribution, const TRunningSite& site, const TChange& change) {
    const HWND menu = OpenTrayMenu(FindTrayWindow(site.RunnerId));
    REQUIRE(menu);
    PostKeys(menu, {VK_DOWN, VK_DOWN, VK_RETURN});
    HWND dialog = nullptr;
    REQUIRE(WaitUntil(
        [&] {
            dialog = FindWindowOf(site.RunnerId, L"TDialogForm", DialogCaption);
            return dialog && IsWindowVisible(dialog);
        },
        StepTimeoutMs));
    const HWND address = FindControl(dialog, L"COMBOBOX");
    const HWND port = FindControl(dialog, L"EDIT");
    const HWND ok = FindControl(dialog, L"BUTTON", "OK");
    REQUIRE((address && port && ok));
    CHECK(SendMessageW(address, CB_GETCURSEL, 0, 0) == (distribution.EmbeddedConfigValue("ip") == "127.0.0.1" ? 0 : 1));
    CHECK(ControlText(port) == distribution.EmbeddedConfigValue("port"));
    CHECK_FALSE(IsWindowEnabled(ok));

    PostKeys(address, {static_cast<WORD>(change.AddressItem == 0 ? VK_UP : VK_DOWN)});
    TypeText(port, std::to_string(change.Port));
    REQUIRE(WaitUntil([&] { return ControlText(port) == std::to_string(change.Port); }, StepTimeoutMs));
    CHECK(SendMessageW(address, CB_GETCURSEL, 0, 0) == change.AddressItem);
    CHECK(IsWindowEnabled(ok));
    Click(ok);
    HWND question = nullptr;
    REQUIRE(WaitUntil([&] { return (question = FindMessageBox(distribution.Runner, "Confirm")) != nullptr; },
                      StepTimeoutMs));
    CHECK(DialogText(question).find("Are you sure you want to do this?") != std::string::npos);
    Click(FindControl(question, L"BUTTON", "&Yes"));
}

// Waits until the runner has ended and another one serves the site.
TRunningSite WaitForComeBack(const TDistribution& distribution, const TRunningSite& before) {
    REQUIRE(WaitUntil([&] { return !standin::ProcessAlive(before.RunnerId); }, StepTimeoutMs));
    TRunningSite after;
    REQUIRE(WaitUntil(
        [&] {
            after.MainWindow = FindMainWindow(distribution.Runner);
            return after.MainWindow && IsWindowVisible(after.MainWindow) &&
                   ProcessesRunning(distribution.ApacheExe).size() == 2;
        },
        ComeBackTimeoutMs));
    after.RunnerId = ProcessOfWindow(after.MainWindow);
    const auto port = distribution.WebPort();
    REQUIRE(port);
    after.WebPort = *port;
    REQUIRE(WaitUntil([&] { return GetPage(after.WebPort, "/").has_value(); }, StepTimeoutMs));
    return after;
}

// Each held, so that an id taken over by a later process cannot count.
std::vector<UniqueHandle> Hold(const std::vector<DWORD>& ids) {
    std::vector<UniqueHandle> held;
    for (DWORD id : ids) held.emplace_back(OpenProcess(SYNCHRONIZE, FALSE, id));
    return held;
}

bool AllEnded(const std::vector<UniqueHandle>& processes) {
    for (const UniqueHandle& process : processes)
        if (process && WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT) return false;
    return true;
}

std::string IniValue(const std::string& file, const char* key) {
    wchar_t value[256] = L"";
    GetPrivateProfileStringW(L"INI", Widen(key).c_str(), L"", value, 256, Widen(file).c_str());
    return Narrow(value);
}

bool FileExists(const std::string& path) { return GetFileAttributesW(Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

TEST_CASE("a new address and port from the tray: the runner quits, a temporary copy re-stamps it, and it comes "
          "back on them; a copy still held open makes the next one krvn_cmd1.tmp") {
    TDistribution distribution("vaddr");
    const std::string temp = distribution.Folder + "\\temp";
    CreateDirectoryW(Widen(temp).c_str(), nullptr);
    const TTempFolderOverride tempFolder(temp);
    const TRunningSite first = StartAndWait(distribution);
    const auto firstServers = Hold(ProcessesRunning(distribution.ApacheExe));
    const auto firstDatabase = Hold(ProcessesRunning(distribution.MysqldExe));

    const int port = standin::FreePort();
    ChangeAddress(distribution, first, {1, port});
    const TRunningSite second = WaitForComeBack(distribution, first);
    CHECK(AllEnded(firstServers));
    CHECK(AllEnded(firstDatabase));
    CHECK(FileExists(temp + "\\krvn_cmd0\\krvn_cmd0.tmp"));
    CHECK(IniValue(temp + "\\krvn_cmd0\\krvn_cmd0.tmp.ini", "ip") == "all");
    CHECK(IniValue(temp + "\\krvn_cmd0\\krvn_cmd0.tmp.ini", "port") == std::to_string(port));
    CHECK(distribution.EmbeddedConfigValue("ip") == "all");
    CHECK(distribution.EmbeddedConfigValue("port") == std::to_string(port));
    CHECK(second.WebPort == port);
    const auto conf = standin::ReadWholeFile(distribution.WorkDir() + "\\httpd.conf");
    REQUIRE(conf);
    const auto listen = standin::ParseHttpdConf(*conf).Listen;
    REQUIRE(listen);
    CHECK(listen->Host == "0.0.0.0");
    CHECK(listen->Port == port);
    CHECK(GetPage(port, "/")->Status == 200);

    // Another program holds the first copy: the next change takes the next name.
    UniqueHandle held(CreateFileW(Widen(temp + "\\krvn_cmd0\\krvn_cmd0.tmp").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    REQUIRE(held);
    const int loopbackPort = standin::FreePort();
    ChangeAddress(distribution, second, {0, loopbackPort});
    const TRunningSite third = WaitForComeBack(distribution, second);
    CHECK(FileExists(temp + "\\krvn_cmd1\\krvn_cmd1.tmp"));
    CHECK(IniValue(temp + "\\krvn_cmd1\\krvn_cmd1.tmp.ini", "port") == std::to_string(loopbackPort));
    CHECK(distribution.EmbeddedConfigValue("ip") == "127.0.0.1");
    CHECK(third.WebPort == loopbackPort);

    PostMessageW(third.MainWindow, WM_CLOSE, 0, 0);
    CHECK(WaitUntil([&] { return NothingRunsFrom(distribution); }, StepTimeoutMs));
}

TEST_CASE("a copy that cannot be made: the error shows what failed, the runner keeps running, the executable is "
          "unchanged, nothing is left in the temporary folder") {
    TDistribution distribution("vnocopy");
    const std::string before = standin::ReadWholeFile(distribution.Runner).value_or("");
    const std::string port = distribution.EmbeddedConfigValue("port");
    // No temporary folder to make the copy's own folder in.
    const std::string temp = distribution.Folder + "\\no such folder", failed = "krvn_cmd0";
    const TTempFolderOverride tempFolder(temp);
    const TRunningSite site = StartAndWait(distribution);

    ChangeAddress(distribution, site, {1, standin::FreePort()});
    HWND box = nullptr;
    REQUIRE(WaitUntil([&] { return (box = FindMessageBox(distribution.Runner, "Vadrome")) != nullptr; },
                      StepTimeoutMs));
    const std::string text = DialogText(box);
    CHECK(text.find(failed) != std::string::npos);
    CHECK(text.find("The address and port stay as they were.") != std::string::npos);
    Click(FindControl(box, L"BUTTON", "OK"));

    CHECK(WaitUntil([&] { return FindMessageBox(distribution.Runner, "Vadrome") == nullptr; }, StepTimeoutMs));
    CHECK(standin::ProcessAlive(site.RunnerId));
    CHECK(GetPage(site.WebPort, "/")->Status == 200);
    CHECK(IniValue(distribution.WorkDir() + "\\Config.ini", "port") == port);
    CHECK(standin::ReadWholeFile(distribution.Runner).value_or("") == before);
    CHECK_FALSE(FileExists(temp));

    PostMessageW(site.MainWindow, WM_CLOSE, 0, 0);
    CHECK(WaitUntil([&] { return NothingRunsFrom(distribution); }, StepTimeoutMs));
}
