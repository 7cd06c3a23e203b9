#include "customize/SplashForm.h"
#include "customize/SplashRules.h"
#include "launcher/Modes.h"
#include "server/ServerText.h"
#include "shell/Application.h"
#include "util/ShellKit.h"
#include "util/Timeline.h"

// Returns only when the settings turn the splash off; once shown, the process
// runs until the runner (or the end of the session) terminates it.
void RunSplashMode(const TCommandLine& args) {
    TApplication& application = TApplication::Instance();
    application.Initialize();
    application.SetToolWindowStyle(true);
    if (!IsSwitchOn(TShellKit::IniReadString(args.Arg(2), "INI", "showsplash"))) return;
    frmSplash = TfrmSplash::Create(application.Handle());
    frmSplash->Show();
    TimelineMark("splash-shown");
    // Never returns: the runner ends this process. WaitMessage keeps the idle
    // splash from spinning.
    for (;;) {
        WaitMessage();
        TShellKit::ProcessMessages();
    }
}
