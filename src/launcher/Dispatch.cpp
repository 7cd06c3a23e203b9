#include "launcher/Modes.h"
#include "util/Guard.h"
#include "util/ShellKit.h"

void DispatchCommandLine(const TCommandLine& args) {
    switch (RoutedMode(args)) {
    case TMode::Rename: Guarded([&] { RunRenameMode(args); }); break;
    case TMode::Downsize: RunDownsizeMode(args); break;
    case TMode::Splash:
        if (TShellKit::FileExists(args.Arg(2))) RunSplashMode(args);
        break;
    case TMode::Setup:
    case TMode::Config:
    case TMode::Icon:
    case TMode::SplashImage: RunStampingModes(args); break;
    case TMode::None: break;
    }
}
