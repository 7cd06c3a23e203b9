#include <string_view>

#include "launcher/Modes.h"
#include "util/Guard.h"
#include "util/ShellKit.h"

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
