#include <windows.h>
#include <shellapi.h>

#include "launcher/Modes.h"
#include "util/ComPtr.h"
#include "util/Guard.h"
#include "util/ShellKit.h"
#include "util/Utf.h"

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

bool OpenApprovedProgram(const std::string& exe, int showCommand) {
    const TComApartment com;
    const std::wstring file = Widen(exe);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOZONECHECKS | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = L"open";
    info.lpFile = file.c_str();
    info.nShow = showCommand;
    return ShellExecuteExW(&info) != FALSE;
}
