// The command-line modes of the Linux runner and the hand-over files beside it.
#pragma once
#include <string>
#include <vector>

#include "launcher/CommandLine.h"

// Beside the executable: the new executable a build stamps, and the copy of
// the running one that puts it in place in "rename" mode.
inline constexpr char NewExeFileName[] = "vadrome-runme";
inline constexpr char RenamerFileName[] = "vadrome-rename";

// Runs the mode the arguments ask for; the process's exit code (1 after an
// error, which the user has been told).
int RunCommandLineMode(const TCommandLine& args);

// A renamer copy left beside the executable is ended and removed.
void RemoveLeftOverRenamer();

// Starts the program with the arguments on its own: not ended with us, not waited for.
void StartDetached(const std::vector<std::string>& arguments);
// Runs the program and waits for it however long it takes; its exit code, -1
// when it was ended by a signal. Throws when it cannot be started.
int RunAndWait(const std::vector<std::string>& arguments);

// The address change's copy of the runner: TempCopyFileName in a private
// folder named TempCopyFolderPrefix and six random characters.
inline constexpr char TempCopyFolderPrefix[] = "krvn_cmd";
inline constexpr char TempCopyFileName[] = "krvn_cmd.tmp";
