#include "launcher/Program.h"

#include <windows.h>
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
    const TComApartment com;
    ShellExecuteW(nullptr, L"open", Widen(TShellKit::GetExeFileName()).c_str(), nullptr, nullptr, show);
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
