// TShellKit: platform version, environment, and window and shell chores.
#include <windows.h>
#include <shellapi.h>

#include "util/Handles.h"
#include "util/Maker.h"
#include "util/MessageBox.h"
#include "util/ShellKit.h"
#include "util/Text.h"
#include "util/Utf.h"

namespace {

OSVERSIONINFOW PlatformVersion() {
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof(version);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExW(&version)) version = {};
#pragma GCC diagnostic pop
    return version;
}

void ShellOpen(const std::wstring& file, const std::wstring& params, int showCommand) {
    ShellExecuteW(GetActiveWindow(), L"open", file.c_str(), params.empty() ? nullptr : params.c_str(), nullptr,
                  showCommand);
}

}  // namespace

int TShellKit::GetStartupShowCommand() {
    STARTUPINFOW info{};
    info.cb = sizeof(info);
    GetStartupInfoW(&info);
    // Without the flag the field is not a show command: launchers that pass a
    // zeroed STARTUPINFO mean the default, not SW_HIDE.
    return (info.dwFlags & STARTF_USESHOWWINDOW) ? info.wShowWindow : SW_SHOWDEFAULT;
}

bool TShellKit::IsWin2000OrLater() {
    const OSVERSIONINFOW version = PlatformVersion();
    return version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion >= 5;
}

void TShellKit::RequireWin2000() {
    if (IsWin2000OrLater()) return;
    ShowMessageBox(nullptr, "This program must be run under Windows 2000 or later.", "Error", MB_ICONERROR);
    ExitProcess(0);
}

std::string TShellKit::GetLocaleLanguageName() {
    wchar_t name[256] = {};
    if (!GetLocaleInfoW(LOCALE_SYSTEM_DEFAULT, LOCALE_SENGLANGUAGE, name, 256)) return {};
    return Narrow(name);
}

bool TShellKit::SetLanguageEnv() { return SetEnv("OS_LANGUAGE", GetLocaleLanguageName()); }

bool TShellKit::SetPhpRcEnv(const std::string& folder) {
    return SetEnv("PHPRC", folder.empty() ? GetWorkDir() : folder);
}

bool TShellKit::SetEnv(const std::string& name, const std::string& value) {
    return SetEnvironmentVariableW(Widen(name).c_str(), Widen(value).c_str()) != FALSE;
}

std::string TShellKit::GetEnv(const std::string& name) {
    const std::wstring wideName = Widen(name);
    std::wstring value(256, L'\0');
    for (;;) {
        const DWORD length = GetEnvironmentVariableW(wideName.c_str(), value.data(), static_cast<DWORD>(value.size()));
        if (length < value.size()) {
            value.resize(length);
            return Narrow(value);
        }
        value.resize(length);
    }
}

int TShellKit::GetShellProcessId() {
    DWORD id = 0;
    if (HWND tray = FindWindowW(L"Shell_TrayWnd", nullptr)) GetWindowThreadProcessId(tray, &id);
    const OSVERSIONINFOW version = PlatformVersion();
    if (id == 0 && version.dwMajorVersion >= 5 && version.dwMinorVersion == 0)
        return FindProcessByPath(GetWindowsDir() + "\\Explorer.EXE");
    return static_cast<int>(id);
}

bool TShellKit::IsFirstInstance(const std::string& name) {
    // Never closed: the name stays taken until the process ends.
    HANDLE mutex = CreateMutexW(nullptr, FALSE, Widen(name).c_str());
    return mutex && GetLastError() != ERROR_ALREADY_EXISTS;
}

bool TShellKit::InstanceRuns(const std::string& name) {
    UniqueHandle mutex(OpenMutexW(SYNCHRONIZE, FALSE, Widen(name).c_str()));
    // Another user's or an elevated runner's lock exists but is not ours to open.
    return mutex || GetLastError() == ERROR_ACCESS_DENIED;
}

void TShellKit::ForceForegroundWindow(HWND window) {
    const DWORD foregroundThread = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
    const DWORD windowThread = GetWindowThreadProcessId(window, nullptr);
    // Sharing the foreground thread's input state lifts the foreground lock.
    const bool attach = foregroundThread != 0 && foregroundThread != windowThread;
    if (attach) AttachThreadInput(foregroundThread, windowThread, TRUE);
    SetForegroundWindow(window);
    if (attach) AttachThreadInput(foregroundThread, windowThread, FALSE);
}

void TShellKit::SetBusy(bool busy, HWND control) {
    if (control) EnableWindow(control, !busy);
    SetCursor(LoadCursorW(nullptr, busy ? IDC_WAIT : IDC_ARROW));
    ProcessMessages();
}

void TShellKit::ShellOpenFolder(const std::string& path, int showCommand) {
    const std::string folder = Trim(path);
    if (!DirectoryExists(folder)) return;
    // By full path: a bare name would find a planted explorer.exe in the current (the application's) folder.
    ShellOpen(Widen(GetWindowsDir() + "\\explorer.exe"), L"\"" + Widen(folder) + L"\"", showCommand);
}

void TShellKit::OpenContactMail() { ShellOpen(Widen(std::string("mailto:") + MakerMailAddress), {}, SW_SHOW); }

// A WM_QUIT met here belongs to the caller's loop further out: post it again.
void TShellKit::ProcessMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void TShellKit::ProcessMessagesAndSleep(unsigned milliseconds) {
    ProcessMessages();
    Sleep(milliseconds);
}
