// The demo's stand-in web server under a folder's bin: without one, a runner
// copied there stops at its start-up box. VADROME_DEMO_DIR: the demo's build folder.
#pragma once
#include <string>

#include "util/ShellKit.h"
#include "util/Text.h"

inline void CopyDemoWebServer(const std::string& folder) {
    TShellKit::ForceDirectories(folder + "\\bin");
    TShellKit::CopyFolder(ReplaceText("Z:" VADROME_DEMO_DIR "/bin/Apache", "/", "\\", false), folder + "\\bin");
}
