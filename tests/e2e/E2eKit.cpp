#include "E2eKit.h"

#include <doctest/doctest.h>

#include <shellapi.h>
#include <winioctl.h>

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

namespace {

// Sweeps until the folder has been quiet for a moment: a runner being ended
// may still have started a relaunch or a splash child.
void KillEverythingIn(const std::string& folder) {
    int quietPasses = 0;
    for (int pass = 0; pass < 200 && quietPasses < 20; ++pass) {
        const auto ids = standin::ProcessesInFolder(folder);
        for (DWORD id : ids) standin::Kill(id);
        quietPasses = ids.empty() ? quietPasses + 1 : 0;
        Sleep(100);
    }
}

}  // namespace

void TDistribution::KillAll() const { KillEverythingIn(Folder); }

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

std::string TDistribution::WorkDir() const { return WorkDirServing(Folder + "\\www"); }

std::string WorkDirServing(const std::string& documentRoot) {
    const std::string root = TShellKit::GetCommonAppDataDir();
    // The runner may have written the folder in its short form.
    auto identity = [](const std::string& path) {
        return LowerAscii(TShellKit::GetShortPath(ReplaceText(path, "/", "\\", false)));
    };
    const std::string wanted = identity(documentRoot);
    WIN32_FIND_DATAW found;
    UniqueFindHandle find(FindFirstFileW(Widen(root + "\\*").c_str(), &found));
    for (BOOL more = static_cast<bool>(find); more; more = FindNextFileW(find.Get(), &found)) {
        const std::string folder = root + "\\" + Narrow(found.cFileName);
        const auto conf = standin::ReadWholeFile(folder + "\\httpd.conf");
        if (!conf) continue;
        const auto settings = standin::ParseHttpdConf(*conf);
        if (identity(settings.DocumentRoot) == wanted) return folder;
    }
    return {};
}

std::string TDistribution::EmbeddedConfigValue(const std::string& key) const {
    std::istringstream lines(ReadRcDataOf(Runner, "RES_CONFIG_INI").value_or(""));
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.compare(0, key.size() + 1, key + "=") == 0) return line.substr(key.size() + 1);
    }
    return {};
}

std::optional<int> TDistribution::WebPort() const { return WebPortIn(WorkDir()); }

std::optional<int> WebPortIn(const std::string& workDir) {
    const auto conf = workDir.empty() ? std::nullopt : standin::ReadWholeFile(workDir + "\\httpd.conf");
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

void StartRunner(const TDistribution& distribution) { StartRunner(distribution.Runner, distribution.Folder); }

void StartRunner(const std::string& runner, const std::string& folder) {
    const std::wstring exe = Widen(runner);
    std::wstring commandLine = L"\"" + exe + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        Widen(folder).c_str(), &startup, &info))
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

HWND FindWindowOf(DWORD processId, const wchar_t* className, const std::string& caption) {
    return FindTopWindow({processId}, className, caption);
}

HWND FindControl(HWND parent, const wchar_t* className, const std::string& text) {
    TWindowQuery query{{}, className, Widen(text)};
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM parameter) -> BOOL {
            auto& query = *reinterpret_cast<TWindowQuery*>(parameter);
            wchar_t className[128] = L"", caption[256] = L"";
            GetClassNameW(child, className, 128);
            GetWindowTextW(child, caption, 256);
            if (_wcsicmp(className, query.ClassName.c_str()) != 0) return TRUE;
            if (!query.Caption.empty() && query.Caption != caption) return TRUE;
            query.Found = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&query));
    return query.Found;
}

HWND FindTrayWindow(DWORD processId) { return FindWindowOf(processId, L"TTrayIconManWindow"); }

HWND FindApplicationWindow(DWORD processId) { return FindWindowOf(processId, L"TApplication"); }

void ClickTrayIcon(HWND trayWindow, UINT mouseMessage) { PostMessageW(trayWindow, WM_USER + 1, 0, mouseMessage); }

namespace {

bool NotifyShell(DWORD message, HWND trayWindow) {
    NOTIFYICONDATAW icon{};
    icon.cbSize = NOTIFYICONDATAW_V2_SIZE;
    icon.hWnd = trayWindow;  // the runner's icon has id 0
    return Shell_NotifyIconW(message, &icon) != FALSE;
}

}  // namespace

// Changing nothing succeeds only for an icon the shell holds.
bool TrayIconPresent(HWND trayWindow) { return NotifyShell(NIM_MODIFY, trayWindow); }

bool DropTrayIcon(HWND trayWindow) { return NotifyShell(NIM_DELETE, trayWindow); }

HWND OpenTrayMenu(HWND trayWindow) {
    const DWORD processId = ProcessOfWindow(trayWindow);
    ClickTrayIcon(trayWindow, WM_RBUTTONUP);
    HWND menu = nullptr;
    WaitUntil(
        [&] {
            menu = FindWindowOf(processId, L"#32768");
            return menu && IsWindowVisible(menu);
        },
        20000);
    return menu;
}

void PostKeys(HWND window, std::initializer_list<WORD> keys) {
    for (WORD key : keys) {
        PostMessageW(window, WM_KEYDOWN, key, 1);
        PostMessageW(window, WM_KEYUP, key, 0xC0000001);
    }
}

void Click(HWND button) { PostMessageW(button, BM_CLICK, 0, 0); }

void TypeText(HWND control, const std::string& text) {
    PostMessageW(control, EM_SETSEL, 0, -1);
    for (wchar_t character : Widen(text)) PostMessageW(control, WM_CHAR, character, 1);
}

std::string ControlText(HWND control) {
    wchar_t text[1024] = L"";
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(control, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 10000, &copied);
    return Narrow(text);
}

TTempFolderOverride::TTempFolderOverride(const std::string& folder) {
    const auto keep = [](const wchar_t* name) -> std::optional<std::wstring> {
        wchar_t value[MAX_PATH + 1] = L"";
        const DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH + 1);
        if (length == 0 || length > MAX_PATH) return std::nullopt;
        return std::wstring(value, length);
    };
    tmp_ = keep(L"TMP");
    temp_ = keep(L"TEMP");
    SetEnvironmentVariableW(L"TMP", Widen(folder).c_str());
    SetEnvironmentVariableW(L"TEMP", Widen(folder).c_str());
}

TTempFolderOverride::~TTempFolderOverride() {
    SetEnvironmentVariableW(L"TMP", tmp_ ? tmp_->c_str() : nullptr);
    SetEnvironmentVariableW(L"TEMP", temp_ ? temp_->c_str() : nullptr);
}

namespace {

// Wine's mount manager defines and removes drives (as winecfg does).
struct TWineDrive {
    ULONG Size;
    ULONG Type;
    ULONG FsType;
    DWORD Serial;
    ULONGLONG UnixDevice;
    WCHAR Letter;
    USHORT MountPointOffset;
    USHORT DeviceOffset;
    USHORT LabelOffset;
};
constexpr DWORD DefineWineDrive = CTL_CODE(0x6D, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);

bool DefineDrive(wchar_t letter, DWORD type, const std::string& unixFolder) {
    UniqueHandle manager(CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!manager) return false;
    std::string request(sizeof(TWineDrive), '\0');
    if (!unixFolder.empty()) request += unixFolder + '\0';
    auto& drive = *reinterpret_cast<TWineDrive*>(request.data());
    drive.Size = static_cast<ULONG>(request.size());
    drive.Type = type;
    drive.Letter = letter;
    drive.MountPointOffset = unixFolder.empty() ? 0 : static_cast<USHORT>(sizeof(TWineDrive));
    DWORD returned = 0;
    return DeviceIoControl(manager.Get(), DefineWineDrive, request.data(), static_cast<DWORD>(request.size()), nullptr,
                           0, &returned, nullptr) != FALSE;
}

}  // namespace

std::string UnixPathOf(const std::string& folder) {
    using TUnixName = char*(CDECL*)(const wchar_t*);
    const auto unixName = reinterpret_cast<TUnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* name = unixName ? unixName(Widen(folder).c_str()) : nullptr;
    if (!name) return {};
    std::string path(name);
    HeapFree(GetProcessHeap(), 0, name);
    return path;
}


bool StartUnixProgram(const std::string& commandLine) {
    std::wstring line = Widen(commandLine);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    const bool started =
        CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info);
    UniqueHandle process(info.hProcess), thread(info.hThread);
    return started;
}

TCdRomDrive::TCdRomDrive(const std::string& folder) {
    const std::string unixFolder = UnixPathOf(folder);
    if (unixFolder.empty()) return;
    const DWORD used = GetLogicalDrives();
    for (wchar_t letter = L'R'; letter <= L'Y'; ++letter) {
        if (used & (1u << (letter - L'A'))) continue;
        if (DefineDrive(letter, DRIVE_CDROM, unixFolder)) letter_ = letter;
        return;
    }
}

TCdRomDrive::~TCdRomDrive() {
    if (letter_) KillEverythingIn(Root());
    Remove();
}

TEndAtExit::~TEndAtExit() { standin::Kill(processId_); }

std::string TCdRomDrive::Root() const { return std::string(1, static_cast<char>(letter_)) + ":\\"; }

void TCdRomDrive::Remove() {
    if (letter_ && DefineDrive(letter_, DRIVE_NO_ROOT_DIR, {})) letter_ = 0;
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
