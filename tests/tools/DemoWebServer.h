// The demo's stand-in web server with its templates, copied under a folder's
// bin: a runner copied there starts as with a distribution. Without a web
// server a runner stops at its start-up box and shows no main window.
// VADROME_DEMO_DIR names the build's demo folder (tests/launcher/CMakeLists.txt).
#pragma once
#include <string>

#include "util/ShellKit.h"
#include "util/Text.h"

inline void CopyDemoWebServer(const std::string& folder) {
    TShellKit::ForceDirectories(folder + "\\bin");
    TShellKit::CopyFolder(ReplaceText("Z:" VADROME_DEMO_DIR "/bin/Apache", "/", "\\", false), folder + "\\bin");
}
