#include <windows.h>
#include <shellapi.h>

#include <string_view>

#include "launcher/Modes.h"
#include "util/ComPtr.h"
#include "util/Guard.h"
#include "util/ShellKit.h"
#include "util/Utf.h"

namespace {
constexpr std::string_view StampingModeNames = "/setup|/config|/icon|/splash|";
}

void DispatchCommandLine(const TCommandLine& args) {
    const int count = args.Count();
    const std::string mode = args.ModeName();
    if (count >= 3 && mode == "rename") Guarded([&] { RunRenameMode(args); });
    if (count >= 7 && mode == "downsize") RunDownsizeMode(args);
    if (count >= 2 && mode == "splash" && TShellKit::FileExists(args.Arg(2))) RunSplashMode(args);
    if (count >= 1 && StampingModeNames.find(mode + "|") != std::string_view::npos) RunStampingModes(args);
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
