#include "launcher/Program.h"

#include <windows.h>
#include <delayimp.h>
#include <ole2.h>
#include <shellapi.h>

#include <memory>
#include <optional>

#include "launcher/LastResort.h"
#include "launcher/Modes.h"
#include "shell/Application.h"
#include "shell/MainForm.h"
#include "util/ChildProcess.h"
#include "util/ComPtr.h"
#include "util/Guard.h"
#include "util/ShellKit.h"
#include "util/Timeline.h"
#include "util/Utf.h"

namespace {

// Older systems without SetDefaultDllDirectories: the delay-loaded DLLs come
// from the system folder by full path. The common controls keep their bare
// name, which the manifest's activation context resolves to the system's copy.
FARPROC WINAPI LoadFromSystemFolder(unsigned notification, PDelayLoadInfo info) {
    if (notification != dliNotePreLoadLibrary || lstrcmpiA(info->szDll, "comctl32.dll") == 0) return nullptr;
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    return reinterpret_cast<FARPROC>(LoadLibraryW((folder + (L"\\" + Widen(info->szDll))).c_str()));
}

// A DLL planted beside the executable (a download folder, the temporary
// folder) must never be loaded in place of the system's: every later search
// by bare name looks in the system folder only.
void RestrictDllSearch() {
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    using TSetDefaultDllDirectories = BOOL(WINAPI*)(DWORD);
    const auto setDefault = reinterpret_cast<TSetDefaultDllDirectories>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
    using TSetDllDirectory = BOOL(WINAPI*)(LPCWSTR);
    const auto setDllDirectory = reinterpret_cast<TSetDllDirectory>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDllDirectoryW")));
    if (setDllDirectory) setDllDirectory(L"");  // at least not the current folder
    __pfnDliNotifyHook2 = LoadFromSystemFolder;
}

class OleSession {
public:
    OleSession() : ok_(SUCCEEDED(OleInitialize(nullptr))) {}
    ~OleSession() { if (ok_) OleUninitialize(); }
    OleSession(const OleSession&) = delete;
    OleSession& operator=(const OleSession&) = delete;

private:
    bool ok_;
};

void RemoveLeftOverRenamer() {
    const std::string renamer = TShellKit::GetAppPath() + RenamerFileName;
    if (!TShellKit::FileExists(renamer)) return;
    TShellKit::ProcessMessagesAndSleep(330);
    Guarded([&] { EndFirstProcessByPath(renamer, 0); });
    Guarded([&] { TShellKit::DeleteFileQuiet(renamer); });
}

void RelaunchThroughShell() {
    const int show = TShellKit::GetStartupShowCommand() + RelaunchShowBase;
    TimelineMark("relaunch");
    OpenApprovedProgram(TShellKit::GetExeFileName(), show);
    TimelineMark("relaunched");
    TShellKit::ProcessMessages();
    TShellKit::KillSelf();
}

int RunRunner() {
    // Started with the first browser control, once the servers are starting;
    // the other processes of the exe never need it.
    std::optional<OleSession> ole;
    const auto browserFactory = [&ole](HWND parent, TWebBrowserEvents& events) {
        if (!ole) ole.emplace();
        return CreateWebBrowserHost(parent, events);
    };
    TApplication& application = TApplication::Instance();
    application.Initialize();
    application.SetToolWindowStyle(true);
    auto mainForm = std::make_unique<TfrmMain>(TfrmMain::TStartUp::Run, browserFactory);
    frmMain = mainForm.get();
    const int code = application.Run();
    frmMain = nullptr;
    return code;
}

int RunCommandLine(const TCommandLine& args) {
    try {
        DispatchCommandLine(args);
    } catch (const std::exception& error) {
        HandleEscapedError(&error);
    } catch (...) {
        HandleEscapedError(nullptr);
    }
    TShellKit::KillSelf();
    return 0;
}

}  // namespace

int RunProgram() {
    RestrictDllSearch();
    TimelineMark("entry");
    TShellKit::RequireWin2000();
    SetCurrentDirectoryW(Widen(TShellKit::GetAppDir()).c_str());

    const TCommandLine args(Narrow(GetCommandLineW()));
    if (args.Count() >= 1) return RunCommandLine(args);

    RemoveLeftOverRenamer();
    if (TShellKit::GetStartupShowCommand() >= RelaunchShowBase) return RunRunner();
    RelaunchThroughShell();
    return 0;
}
