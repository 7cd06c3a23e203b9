// Customize end to end: the real runner, driven through its windows as a
// user would, rebrands itself and comes back under the new name, icon and
// splash image; a build that cannot finish leaves it running as it was.
#include <doctest/doctest.h>

#include <string>
#include <vector>

#include "E2eKit.h"
#include "shell/BrowserFrame.h"
#include "util/ResourceUpdate.h"
#include "util/ShellKit.h"
#include "util/Utf.h"
#include "util/image/TestEncoders.h"

using namespace e2e;

namespace {

constexpr unsigned ShowTimeoutMs = 20000;
constexpr unsigned HandOverTimeoutMs = 120000;  // stamps, renamer, first launch, start-up
constexpr unsigned EndTimeoutMs = 20000;

// ---- input as a user gives it

void SendKey(WORD key, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof input);
}

void TypeText(const std::wstring& text) {
    for (wchar_t c : text) {
        INPUT input[2]{};
        input[0].type = input[1].type = INPUT_KEYBOARD;
        input[0].ki.wScan = input[1].ki.wScan = c;
        input[0].ki.dwFlags = KEYEVENTF_UNICODE;
        input[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
        SendInput(2, input, sizeof(INPUT));
    }
}

// Asked again while waiting: a window of another test running beside this one
// may take the foreground in between.
void BringToFront(HWND window) {
    REQUIRE(WaitUntil(
        [&] {
            if (GetForegroundWindow() == window) return true;
            SetForegroundWindow(window);
            return false;
        },
        ShowTimeoutMs));
}

void PressCtrlShiftF11(HWND mainWindow) {
    BringToFront(mainWindow);
    for (WORD key : {VK_CONTROL, VK_SHIFT, VK_F11}) SendKey(key, false);
    for (WORD key : {VK_F11, VK_SHIFT, VK_CONTROL}) SendKey(key, true);
}

// The toolbar answers with the button's place in its own process's memory.
RECT ButtonRect(HWND toolbar, int command) {
    DWORD processId = 0;
    GetWindowThreadProcessId(toolbar, &processId);
    UniqueHandle process(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId));
    REQUIRE(process);
    void* remote = VirtualAllocEx(process.Get(), nullptr, sizeof(RECT), MEM_COMMIT, PAGE_READWRITE);
    REQUIRE(remote);
    RECT rect{};
    const bool found = SendMessageW(toolbar, TB_GETRECT, command, reinterpret_cast<LPARAM>(remote)) &&
                       ReadProcessMemory(process.Get(), remote, &rect, sizeof rect, nullptr);
    VirtualFreeEx(process.Get(), remote, 0, MEM_RELEASE);
    REQUIRE(found);
    return rect;
}

// The toolbar, somewhere inside the main window, that holds the Customize button.
HWND CustomizeToolbar(HWND mainWindow) {
    HWND found = nullptr;
    EnumChildWindows(
        mainWindow,
        [](HWND child, LPARAM result) -> BOOL {
            wchar_t className[64] = L"";
            GetClassNameW(child, className, 64);
            if (std::wstring(className) != TOOLBARCLASSNAMEW ||
                SendMessageW(child, TB_COMMANDTOINDEX, TBrowserFrame::btnBrand, 0) < 0)
                return TRUE;
            *reinterpret_cast<HWND*>(result) = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

void ClickCustomizeButton(HWND mainWindow) {
    BringToFront(mainWindow);
    HWND toolbar = CustomizeToolbar(mainWindow);
    REQUIRE(toolbar);
    const RECT button = ButtonRect(toolbar, TBrowserFrame::btnBrand);
    POINT centre{(button.left + button.right) / 2, (button.top + button.bottom) / 2};
    PostMessageW(toolbar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(centre.x, centre.y));
    PostMessageW(toolbar, WM_LBUTTONUP, 0, MAKELPARAM(centre.x, centre.y));
}

// Asked of the window itself: the caption store of another process's
// controls does not hold what they show.
std::string TextOf(HWND window) {
    wchar_t text[1024] = L"";
    SendMessageW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
    return Narrow(text);
}

HWND ChildWithText(HWND parent, const wchar_t* className, const std::string& text) {
    for (HWND child = nullptr; (child = FindWindowExW(parent, child, className, nullptr)) != nullptr;)
        if (TextOf(child) == text) return child;
    return nullptr;
}

// A click on a button of another process's window; posted, since the
// button's work may open a modal box that a sent click would wait for.
void Click(HWND parent, const std::string& caption) {
    HWND button = ChildWithText(parent, L"Button", caption);
    REQUIRE_MESSAGE(button, caption);
    PostMessageW(button, BM_CLICK, 0, 0);
}

// ---- the Customize dialog

struct TCustomizeDialog {
    HWND Window = nullptr;
    HWND Title = nullptr, Icon = nullptr, Image = nullptr, Port = nullptr;
};

TCustomizeDialog WaitForDialog(DWORD runnerId) {
    TCustomizeDialog dialog;
    REQUIRE(WaitUntil(
        [&] {
            dialog.Window = FindVisibleWindowOf(runnerId, L"TDialogForm");
            return dialog.Window && TextOf(dialog.Window) == "Customize";
        },
        ShowTimeoutMs));
    // Edit fields in tab order: title, icon, image, port.
    std::vector<HWND> edits;
    for (HWND edit = nullptr; (edit = FindWindowExW(dialog.Window, edit, L"Edit", nullptr)) != nullptr;)
        edits.push_back(edit);
    REQUIRE(edits.size() == 4);
    dialog.Title = edits[0], dialog.Icon = edits[1], dialog.Image = edits[2], dialog.Port = edits[3];
    BringToFront(dialog.Window);  // the keys typed next go to it
    return dialog;
}

void SetText(HWND edit, const std::string& text) {
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Widen(text).c_str()));
}

// OK, then Yes in the question that follows.
void Confirm(const TCustomizeDialog& dialog, const std::string& runner) {
    Click(dialog.Window, "&OK");
    HWND question = nullptr;
    REQUIRE(WaitUntil([&] { return (question = FindMessageBox(runner, "Confirm")) != nullptr; }, ShowTimeoutMs));
    CHECK(DialogText(question).find("Are you sure you want to do this?") != std::string::npos);
    Click(question, "&Yes");
}

// The box of a process of the runner's executable whose text holds part; dismissed with OK.
std::string DismissBox(const std::string& runner, const std::string& caption, const std::string& part) {
    HWND box = nullptr;
    REQUIRE_MESSAGE(WaitUntil(
                        [&] {
                            box = FindMessageBox(runner, caption);
                            return box && DialogText(box).find(part) != std::string::npos;
                        },
                        HandOverTimeoutMs),
                    caption, ": ", part);
    const std::string text = DialogText(box);
    Click(box, "OK");
    REQUIRE(WaitUntil([&] { return !IsWindow(box); }, ShowTimeoutMs));
    return text;
}

// ---- files and resources

std::string FileBytes(const std::string& path) { return standin::ReadWholeFile(path).value_or(""); }

// One 16 x 16 image, 32 bits a pixel, every pixel the colour.
std::string IconImage(unsigned colour) {
    std::string image(40, '\0');
    const unsigned header[] = {40, 16, 32};  // size, width, height of colour and mask
    memcpy(image.data(), header, sizeof header);
    image[12] = 1;   // planes
    image[14] = 32;  // bits a pixel
    for (int pixel = 0; pixel < 16 * 16; ++pixel) image.append(reinterpret_cast<const char*>(&colour), 4);
    return image + std::string(16 * 4, '\0');  // the mask: every pixel shown
}

std::string IconFile(const std::string& image) {
    std::string file("\0\0\1\0\1\0", 6);
    const unsigned char entry[16] = {16, 16, 0, 0, 1, 0, 32, 0};
    file.append(reinterpret_cast<const char*>(entry), 16);
    const unsigned size = static_cast<unsigned>(image.size()), offset = 6 + 16;
    memcpy(file.data() + 6 + 8, &size, 4);
    memcpy(file.data() + 6 + 12, &offset, 4);
    return file + image;
}

std::string SplashPng() {
    TPngImage image;
    image.Width = 120;
    image.Height = 60;
    FillKnownSamples(image);
    return EncodePng(image);
}

// The images of the main icon group, in the group's order.
std::vector<std::string> MainIconImages(const std::string& exe) {
    UniqueModule module = LoadAsDataFile(exe);
    REQUIRE(module);
    HRSRC group = FindResourceW(module.Get(), L"MAINICON", RT_GROUP_ICON);
    REQUIRE(group);
    const auto* bytes = static_cast<const unsigned char*>(LockResource(LoadResource(module.Get(), group)));
    std::vector<std::string> images;
    const int count = bytes[4] | bytes[5] << 8;
    for (int i = 0; i < count; ++i) {
        const unsigned char* entry = bytes + 6 + 14 * i;
        HRSRC icon = FindResourceW(module.Get(), MAKEINTRESOURCEW(entry[12] | entry[13] << 8), RT_ICON);
        REQUIRE(icon);
        images.emplace_back(static_cast<const char*>(LockResource(LoadResource(module.Get(), icon))),
                            SizeofResource(module.Get(), icon));
    }
    return images;
}

std::string Setting(const std::string& ini, const char* key) {
    wchar_t value[512] = L"";
    GetPrivateProfileStringW(L"INI", Widen(key).c_str(), L"", value, 512, Widen(ini).c_str());
    return Narrow(value);
}

// ---- the runner

// The runner alone, its splash gone: nothing of ours covers the window.
void WaitForSplashToEnd(const TDistribution& distribution) {
    REQUIRE(WaitUntil([&] { return ProcessesRunning(distribution.Runner).size() == 1; }, ShowTimeoutMs));
}

// The runner that the hand-over started, once it serves the site.
TRunningSite WaitForNextRunner(const TDistribution& distribution, const TRunningSite& previous) {
    TRunningSite site;
    REQUIRE(WaitUntil(
        [&] {
            site.MainWindow = FindMainWindow(distribution.Runner);
            site.RunnerId = ProcessOfWindow(site.MainWindow);
            return site.MainWindow && site.RunnerId != previous.RunnerId && IsWindowVisible(site.MainWindow);
        },
        HandOverTimeoutMs));
    REQUIRE(WaitUntil([&] { return ProcessesRunning(distribution.ApacheExe).size() == 2; }, HandOverTimeoutMs));
    const auto port = distribution.WebPort();
    REQUIRE(port);
    site.WebPort = *port;
    REQUIRE(WaitUntil([&] { return GetPage(site.WebPort, "/").has_value(); }, ShowTimeoutMs));
    WaitForSplashToEnd(distribution);
    return site;
}

bool AnyAlive(const std::vector<DWORD>& ids) {
    for (DWORD id : ids)
        if (standin::ProcessAlive(id)) return true;
    return false;
}

struct TBuildFiles {
    std::string NewExe, Renamer;
    explicit TBuildFiles(const TDistribution& distribution)
        : NewExe(distribution.Folder + "\\vadrome-runme.exe"), Renamer(distribution.Folder + "\\vadrome-rename.exe") {}
    bool Gone() const { return !TShellKit::FileExists(NewExe) && !TShellKit::FileExists(Renamer); }
};

}  // namespace

TEST_CASE("Customize rebrands the runner: new name, icon and splash image; a rejected icon keeps the old one") {
    TDistribution distribution("vcus");
    const TBuildFiles build(distribution);
    const std::string icon = distribution.Folder + "\\shop.ico", splash = distribution.Folder + "\\shop.png";
    const std::string iconImage = IconImage(0xFF2080C0);
    standin::WriteWholeFile(icon, IconFile(iconImage));
    standin::WriteWholeFile(splash, SplashPng());
    distribution.SetConfigValue("customizebutton", "0");  // the keys work all the same

    const TRunningSite first = StartAndWait(distribution);
    WaitForSplashToEnd(distribution);
    CHECK(SendMessageW(CustomizeToolbar(first.MainWindow), TB_ISBUTTONHIDDEN, TBrowserFrame::btnBrand, 0));
    const std::vector<DWORD> firstServers = ProcessesRunning(distribution.ApacheExe);
    const std::vector<DWORD> firstDatabase = ProcessesRunning(distribution.MysqldExe);
    const std::string brandIni = distribution.WorkDir() + "\\Brand.ini";

    PressCtrlShiftF11(first.MainWindow);
    TCustomizeDialog dialog = WaitForDialog(first.RunnerId);
    CHECK(TextOf(dialog.Title) == "Vadrome");
    CHECK(TextOf(dialog.Icon).empty());
    TypeText(L"  My Shop");  // over the selected name
    REQUIRE(WaitUntil([&] { return TextOf(dialog.Title) == "  My Shop"; }, ShowTimeoutMs));
    SetText(dialog.Icon, icon);
    SetText(dialog.Image, splash);
    Confirm(dialog, distribution.Runner);

    const TRunningSite second = WaitForNextRunner(distribution, first);
    CHECK(TextOf(second.MainWindow).find("My Shop") != std::string::npos);
    CHECK(TextOf(second.MainWindow).find("  My Shop") == std::string::npos);
    CHECK_FALSE(standin::ProcessAlive(first.RunnerId));
    CHECK_FALSE(AnyAlive(firstServers));
    CHECK_FALSE(AnyAlive(firstDatabase));
    CHECK(ProcessesRunning(distribution.MysqldExe).size() == 1);
    CHECK(GetPage(second.WebPort, "/")->Status == 200);
    CHECK(WaitUntil([&] { return build.Gone(); }, EndTimeoutMs));

    const std::string stamped = ReadRcDataOf(distribution.Runner, "RES_CONFIG_INI").value_or("");
    CHECK(stamped.find("\r\ntitle=\"My Shop\"\r\n") != std::string::npos);
    CHECK(stamped.find("\r\niconfile=\"" + icon + "\"\r\n") != std::string::npos);
    CHECK(stamped.find("\r\ncustomizebutton=0\r\n") != std::string::npos);
    CHECK(ReadRcDataOf(distribution.Runner, "RES_SPLASH") == SplashPng());
    CHECK(MainIconImages(distribution.Runner) == std::vector<std::string>{iconImage});
    // Re-made from the new settings, without the chosen files.
    CHECK(Setting(brandIni, "title") == "My Shop");
    CHECK(Setting(brandIni, "iconfile").empty());
    CHECK(Setting(brandIni, "splashfilename").empty());

    // Then an icon the replacement rejects: its box, and the settings still go in.
    const std::string badIcon = distribution.Folder + "\\bad.ico";
    standin::WriteWholeFile(badIcon, "MZ not an icon");
    PressCtrlShiftF11(second.MainWindow);
    dialog = WaitForDialog(second.RunnerId);
    CHECK(TextOf(dialog.Title) == "My Shop");
    CHECK(TextOf(dialog.Icon).empty());  // whatever the last build chose
    CHECK(TextOf(dialog.Image).empty());
    SetText(dialog.Icon, badIcon);
    Click(dialog.Window, "Show status bar");
    Confirm(dialog, distribution.Runner);
    DismissBox(distribution.Runner, "Application Error", "Icon file is invalid");

    const TRunningSite third = WaitForNextRunner(distribution, second);
    CHECK(WaitUntil([&] { return build.Gone(); }, EndTimeoutMs));
    CHECK(MainIconImages(distribution.Runner) == std::vector<std::string>{iconImage});
    const std::string restamped = ReadRcDataOf(distribution.Runner, "RES_CONFIG_INI").value_or("");
    CHECK(restamped.find("\r\nstatusbar=0\r\n") != std::string::npos);
    CHECK(ReadRcDataOf(distribution.Runner, "RES_SPLASH") == SplashPng());

    PostMessageW(third.MainWindow, WM_CLOSE, 0, 0);
    CHECK(WaitUntil([&] { return NothingRunsFrom(distribution); }, EndTimeoutMs));
}

TEST_CASE("Customize that cannot finish leaves the runner running and its executable as it was") {
    TDistribution distribution("vkeep");
    const TBuildFiles build(distribution);
    const std::string originalExe = FileBytes(distribution.Runner);
    const TRunningSite site = StartAndWait(distribution);
    WaitForSplashToEnd(distribution);
    const std::string brandIni = distribution.WorkDir() + "\\Brand.ini";
    auto checkUnchanged = [&] {
        CHECK(standin::ProcessAlive(site.RunnerId));
        CHECK(IsWindowEnabled(site.MainWindow));
        CHECK(FileBytes(distribution.Runner) == originalExe);
        CHECK(GetPage(site.WebPort, "/")->Status == 200);
        CHECK(ProcessesRunning(distribution.Runner) == std::vector<DWORD>{site.RunnerId});
    };

    // Cancel, from the toolbar button.
    const std::string brandBefore = FileBytes(brandIni);
    ClickCustomizeButton(site.MainWindow);
    TCustomizeDialog dialog = WaitForDialog(site.RunnerId);
    SetText(dialog.Title, "Not taken");
    Click(dialog.Window, "&Cancel");
    REQUIRE(WaitUntil([&] { return !IsWindowVisible(dialog.Window); }, ShowTimeoutMs));
    CHECK(FileBytes(brandIni) == brandBefore);
    checkUnchanged();

    // The new executable cannot be created: another program holds a file of its name.
    {
        UniqueHandle held(CreateFileW(Widen(build.NewExe).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        REQUIRE(held);
        PressCtrlShiftF11(site.MainWindow);
        Confirm(WaitForDialog(site.RunnerId), distribution.Runner);
        const std::string text = DismissBox(distribution.Runner, "Error", "Cannot create file");
        CHECK(text.find("Cannot create file \"" + build.NewExe + "\". ") != std::string::npos);
        checkUnchanged();
        CHECK(TShellKit::FileExists(build.NewExe));  // not ours to remove
    }
    DeleteFileW(Widen(build.NewExe).c_str());

    // The renamer cannot be written (a folder of its name): the runner stays, the new executable goes.
    REQUIRE(CreateDirectoryW(Widen(build.Renamer).c_str(), nullptr));
    PressCtrlShiftF11(site.MainWindow);
    Confirm(WaitForDialog(site.RunnerId), distribution.Runner);
    const std::string text = DismissBox(distribution.Runner, "Error", "Cannot create file");
    CHECK(text.find("Cannot create file \"" + build.Renamer + "\". ") != std::string::npos);
    checkUnchanged();
    CHECK_FALSE(TShellKit::FileExists(build.NewExe));
    RemoveDirectoryW(Widen(build.Renamer).c_str());

    // The settings child fails (it cannot read Brand.ini): its box, then no hand-over.
    const std::string badIcon = distribution.Folder + "\\bad.ico";
    standin::WriteWholeFile(badIcon, "MZ not an icon");
    PressCtrlShiftF11(site.MainWindow);
    dialog = WaitForDialog(site.RunnerId);
    SetText(dialog.Icon, badIcon);
    Confirm(dialog, distribution.Runner);
    {
        // Between the icon child and the settings child.
        HWND iconBox = nullptr;
        REQUIRE(WaitUntil([&] { return (iconBox = FindMessageBox(distribution.Runner, "Application Error")); },
                          HandOverTimeoutMs));
        UniqueHandle locked(CreateFileW(Widen(brandIni).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        REQUIRE(locked);
        Click(iconBox, "OK");
        DismissBox(distribution.Runner, "Application Error", "Cannot open file");
        REQUIRE(WaitUntil([&] { return ProcessesRunning(distribution.Runner).size() == 1; }, EndTimeoutMs));
    }
    CHECK(build.Gone());
    checkUnchanged();

    PostMessageW(site.MainWindow, WM_CLOSE, 0, 0);
    CHECK(WaitUntil([&] { return NothingRunsFrom(distribution); }, EndTimeoutMs));
}
