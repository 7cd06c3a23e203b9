// Placeholders until the full definitions land.
#include "util/ShellKit.h"

int TShellKit::FindProcessByPath(const std::string&) { return 0; }
bool TShellKit::DeleteFileQuiet(const std::string&) { return true; }
