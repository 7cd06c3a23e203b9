#include <windows.h>

#include "util/Handles.h"
#include "util/MessageBox.h"
#include "util/ShellKit.h"
#include "util/Utf.h"

int TShellKit::GetSelfProcessId() { return static_cast<int>(GetCurrentProcessId()); }

bool TShellKit::KillProcess(int id) {
    if (id == 0) return false;
    EnablePrivilege("SeDebugPrivilege");
    UniqueHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(id)));
    if (!process) return false;
    return TerminateProcess(process.Get(), 0) != FALSE;
}

bool TShellKit::KillSelf() { return KillProcess(GetSelfProcessId()); }

bool TShellKit::EnablePrivilege(const std::string& name) {
    HANDLE rawToken = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &rawToken)) return false;
    UniqueHandle token(rawToken);
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!LookupPrivilegeValueW(nullptr, Widen(name).c_str(), &privileges.Privileges[0].Luid)) return false;
    return AdjustTokenPrivileges(token.Get(), FALSE, &privileges, 0, nullptr, nullptr) != FALSE;
}

int TShellKit::GetStartupShowCommand() {
    STARTUPINFOW info{};
    info.cb = sizeof(info);
    GetStartupInfoW(&info);
    return info.wShowWindow;
}

bool TShellKit::IsWin2000OrLater() {
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof(version);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExW(&version)) return false;
#pragma GCC diagnostic pop
    return version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion >= 5;
}

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

void TShellKit::RequireWin2000() {
    if (IsWin2000OrLater()) return;
    ShowMessageBox(nullptr, "This program must be run under Windows 2000 or later.", "Error", MB_ICONERROR);
    ExitProcess(0);
}
