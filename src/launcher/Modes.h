// The command-line modes the dispatcher routes to.
#pragma once
#include "launcher/CommandLine.h"

// Beside the executable: the new executable a build stamps, and the copy of
// the running one that puts it in place in "rename" mode.
inline constexpr char NewExeFileName[] = "vadrome-runme.exe";
inline constexpr char RenamerFileName[] = "vadrome-rename.exe";

void DispatchCommandLine(const TCommandLine& args);

// Starts a copy of this program through the shell. The user approved the file
// when starting it: no second "Open File - Security Warning" for a download.
bool OpenApprovedProgram(const std::string& exe, int showCommand);

// Waits, up to a limit, while another process holds the target open, its
// read-only attribute cleared on each try; raises when it cannot be written.
void WaitUntilWritable(const std::string& target, unsigned pauseMs);

void RunRenameMode(const TCommandLine& args);    // "rename" source target
void RunDownsizeMode(const TCommandLine& args);  // "downsize" flag x16
void RunSplashMode(const TCommandLine& args);    // "splash" settings-file; returns only when not shown
void RunStampingModes(const TCommandLine& args); // "/setup", "/config", "/icon", "/splash"
