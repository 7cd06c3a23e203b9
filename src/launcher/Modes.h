// The command-line modes the dispatcher routes to.
#pragma once
#include "launcher/CommandLine.h"

// Beside the executable: the new executable a build stamps, and the copy of
// the running one that puts it in place in "rename" mode.
inline constexpr char NewExeFileName[] = "vadrome-runme.exe";
inline constexpr char RenamerFileName[] = "vadrome-rename.exe";

void DispatchCommandLine(const TCommandLine& args);

void RunRenameMode(const TCommandLine& args);    // "rename" source target
void RunDownsizeMode(const TCommandLine& args);  // "downsize" flag x16
void RunSplashMode(const TCommandLine& args);    // "splash" settings-file; returns only when not shown
void RunStampingModes(const TCommandLine& args); // "/setup", "/config", "/icon", "/splash"
