#include "E2eKit.h"

#include <doctest/doctest.h>

#include <sstream>
#include <stdexcept>

#include "E2ePaths.h"
#include "StandinText.h"
#include "server/ServerText.h"
#include "util/ResourceUpdate.h"
#include "util/ShellKit.h"
#include "util/Utf.h"

namespace e2e {

namespace {

// Every test of the kit talks to sockets.
const standin::TWinsock winsock;

void CopyTree(const std::string& from, const std::string& to) {
    CreateDirectoryW(Widen(to).c_str(), nullptr);
    WIN32_FIND_DATAW found;
    UniqueFindHandle find(FindFirstFileW(Widen(from + "\\*").c_str(), &found));
    for (BOOL more = static_cast<bool>(find); more; more = FindNextFileW(find.Get(), &found)) {
        const std::string name = Narrow(found.cFileName);
        if (name == "." || name == "..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            CopyTree(from + "\\" + name, to + "\\" + name);
        else
            CopyFileW(Widen(from + "\\" + name).c_str(), Widen(to + "\\" + name).c_str(), FALSE);
    }
}

std::string WithValue(const std::string& ini, const std::string& key, const std::string& value) {
    std::istringstream lines(ini);
    std::string line, result;
    bool replaced = false;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.compare(0, key.size() + 1, key + "=") == 0) {
            line = key + "=" + value;
            replaced = true;
        }
        result += (result.empty() ? "" : "\r\n") + line;
    }
    if (!replaced) result += "\r\n" + key + "=" + value;
    return result;
}

std::string ReadIniKey(const std::string& file, const char* section, const char* key) {
    wchar_t value[512] = L"";
    GetPrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(), L"", value, 512, Widen(file).c_str());
    return Narrow(value);
}

std::string MakeFolder(const std::string& name, const std::string& subfolder) {
    const std::string folder = standin::MakeTempFolder(name + "-");
    if (subfolder.empty()) return folder;
    CreateDirectoryW(Widen(folder + "\\" + subfolder).c_str(), nullptr);
    return folder + "\\" + subfolder;
}

}  // namespace

TDistribution::TDistribution(const std::string& name, const std::string& subfolder)
    : Folder(MakeFolder(name, subfolder)),
      Runner(Folder + "\\vadrome.exe"),
      BinDir(Folder + "\\bin"),
      ApacheExe(BinDir + "\\Apache\\Apache.exe"),
      MysqldExe(BinDir + "\\mysql\\bin\\mysqld.exe") {
    CopyTree(standin::HostPath(E2E_DEMO_DIR), Folder);
    // A port of its own for each run keeps parallel runs from racing for one.
    SetConfigValue("port", std::to_string(standin::FreePort()));
}

TDistribution::~TDistribution() { KillAll(); }

// Sweeps until the folder has been quiet for a moment: a runner being ended
// may still have started a relaunch or a splash child.
void TDistribution::KillAll() const {
    int quietPasses = 0;
    for (int pass = 0; pass < 200 && quietPasses < 20; ++pass) {
        const auto ids = standin::ProcessesInFolder(Folder);
        for (DWORD id : ids) standin::Kill(id);
        quietPasses = ids.empty() ? quietPasses + 1 : 0;
        Sleep(100);
    }
}

void TDistribution::SetConfigValue(const std::string& key, const std::string& value) {
    const std::string ini = WithValue(ReadRcDataOf(Runner, "RES_CONFIG_INI").value_or(""), key, value);
    if (!TShellKit::WriteRcDataResource(Runner, "RES_CONFIG_INI", ini))
        throw std::runtime_error("cannot set " + key + " in " + Runner);
}

void TDistribution::WriteFile(const std::string& relative, const std::string& text) const {
    standin::WriteWholeFile(Folder + "\\" + relative, text);
}

std::string TDistribution::AddBrowser(const std::string& relative, const std::string& settings) const {
    const std::string exe = BinDir + "\\" + relative;
    const std::string folder = exe.substr(0, exe.rfind('\\'));
    CreateDirectoryW(Widen(folder).c_str(), nullptr);
    CopyFileW(Widen(standin::HostPath(E2E_BROWSER_EXE)).c_str(), Widen(exe).c_str(), FALSE);
    standin::WriteWholeFile(exe.substr(0, exe.rfind('.')) + ".ini", "[Standin]\r\n" + settings);
    return exe;
}

std::string TDistribution::UseExternalBrowser(const std::string& settings, const std::string& browserSection) const {
    const std::string exe = AddBrowser("browser\\browser.exe", settings);
    WriteFile("bin\\Browser.ini", "[Browser]\r\nBrowserPath={bin}\\browser\\browser.exe\r\n" + browserSection);
    return exe;
}

std::string TDistribution::WorkDir() const {
    const std::string root = TShellKit::GetCommonAppDataDir();
    // The runner may have written the folder in its short form.
    auto identity = [](const std::string& path) {
        return LowerAscii(TShellKit::GetShortPath(ReplaceText(path, "/", "\\", false)));
    };
    const std::string documentRoot = identity(Folder + "\\www");
    WIN32_FIND_DATAW found;
    UniqueFindHandle find(FindFirstFileW(Widen(root + "\\*").c_str(), &found));
    for (BOOL more = static_cast<bool>(find); more; more = FindNextFileW(find.Get(), &found)) {
        const std::string folder = root + "\\" + Narrow(found.cFileName);
        const auto conf = standin::ReadWholeFile(folder + "\\httpd.conf");
        if (!conf) continue;
        const auto settings = standin::ParseHttpdConf(*conf);
        if (identity(settings.DocumentRoot) == documentRoot) return folder;
    }
    return {};
}

std::optional<int> TDistribution::WebPort() const {
    const std::string folder = WorkDir();
    const auto conf = folder.empty() ? std::nullopt : standin::ReadWholeFile(folder + "\\httpd.conf");
    if (!conf) return std::nullopt;
    const auto listen = standin::ParseHttpdConf(*conf).Listen;
    return listen ? std::optional<int>(listen->Port) : std::nullopt;
}

std::optional<int> TDistribution::MysqlPort() const {
    const std::string folder = WorkDir();
    if (folder.empty()) return std::nullopt;
    const std::string port = ReadIniKey(folder + "\\my.ini", "mysqld", "port");
    return port.empty() ? std::nullopt : std::optional<int>(std::atoi(port.c_str()));
}

void StartRunner(const TDistribution& distribution) {
    const std::wstring exe = Widen(distribution.Runner);
    std::wstring commandLine = L"\"" + exe + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        Widen(distribution.Folder).c_str(), &startup, &info))
        return;
    UniqueHandle process(info.hProcess), thread(info.hThread);
    WaitForSingleObject(process.Get(), 30000);
}

TRunningSite StartAndWait(const TDistribution& distribution) {
    constexpr unsigned StartTimeoutMs = 60000;
    StartRunner(distribution);
    TRunningSite site;
    REQUIRE(WaitUntil(
        [&] {
            site.MainWindow = FindMainWindow(distribution.Runner);
            return site.MainWindow && IsWindowVisible(site.MainWindow);
        },
        StartTimeoutMs));
    site.RunnerId = ProcessOfWindow(site.MainWindow);
    REQUIRE(WaitUntil([&] { return ProcessesRunning(distribution.ApacheExe).size() == 2; }, StartTimeoutMs));
    const auto port = distribution.WebPort();
    REQUIRE(port);
    site.WebPort = *port;
    REQUIRE(WaitUntil([&] { return GetPage(site.WebPort, "/").has_value(); }, 10000));
    return site;
}

bool NothingRunsFrom(const TDistribution& distribution) {
    return ProcessesRunning(distribution.Runner).empty() && ProcessesRunning(distribution.ApacheExe).empty() &&
           ProcessesRunning(distribution.MysqldExe).empty();
}

DWORD ProcessOfWindow(HWND window) {
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    return id;
}

namespace {

struct TWindowQuery {
    std::vector<DWORD> Processes;
    std::wstring ClassName, Caption;
    HWND Found = nullptr;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter) {
    auto& query = *reinterpret_cast<TWindowQuery*>(parameter);
    wchar_t className[128] = L"", caption[256] = L"";
    GetClassNameW(window, className, 128);
    if (query.ClassName != className) return TRUE;
    if (!query.Caption.empty()) {
        GetWindowTextW(window, caption, 256);
        if (query.Caption != caption) return TRUE;
    }
    for (DWORD id : query.Processes)
        if (ProcessOfWindow(window) == id) {
            query.Found = window;
            return FALSE;
        }
    return TRUE;
}

HWND FindTopWindow(const std::vector<DWORD>& processes, const wchar_t* className, const std::string& caption) {
    TWindowQuery query{processes, className, Widen(caption)};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&query));
    return query.Found;
}

}  // namespace

HWND FindMainWindow(const std::string& runner, DWORD processId) {
    std::vector<DWORD> processes = ProcessesRunning(runner);
    if (processId) processes = {processId};
    return FindTopWindow(processes, L"TfrmMain", {});
}

HWND FindMessageBox(const std::string& exe, const std::string& caption) {
    // A box shows only once its controls hold their text.
    HWND box = FindTopWindow(ProcessesRunning(exe), L"#32770", caption);
    return box && IsWindowVisible(box) ? box : nullptr;
}

std::vector<TLogLine> ReadStandinLog(const std::string& exe) {
    std::vector<TLogLine> lines;
    const std::string logFile = exe.substr(0, exe.rfind('.')) + ".log";
    std::istringstream text(standin::ReadWholeFile(logFile).value_or(""));
    std::string line;
    while (std::getline(text, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const auto tab1 = line.find('\t'), tab2 = line.find('\t', tab1 + 1);
        if (tab2 == std::string::npos) continue;
        lines.push_back({static_cast<DWORD>(std::stoul(line.substr(0, tab1))), line.substr(tab1 + 1, tab2 - tab1 - 1),
                         line.substr(tab2 + 1)});
    }
    return lines;
}

std::vector<std::string> KeysOf(const std::vector<TLogLine>& log) {
    std::vector<std::string> keys;
    for (const TLogLine& line : log) keys.push_back(line.Key);
    return keys;
}

std::vector<std::string> ValuesOf(const std::vector<TLogLine>& log, const std::string& key) {
    std::vector<std::string> values;
    for (const TLogLine& line : log)
        if (line.Key == key) values.push_back(line.Value);
    return values;
}

std::optional<standin::THttpResponse> GetPage(int port, const std::string& path) {
    return standin::HttpRequest("127.0.0.1", port, "GET", path);
}

}  // namespace e2e
