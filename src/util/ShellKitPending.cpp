// Placeholders until the full definitions land.
#include "util/ShellKit.h"

int TShellKit::FindProcessByPath(const std::string&) { return 0; }
bool TShellKit::DeleteFileQuiet(const std::string&) { return true; }
std::vector<int> TShellKit::FindProcessesByPath(const std::string&) { return {}; }
std::string TShellKit::ReadFileText(const std::string&) { return {}; }
bool TShellKit::IsFileLocked(const std::string&) { return false; }
bool TShellKit::SetReadOnlyAttribute(const std::string&, bool) { return true; }
void TShellKit::DeleteFolder(const std::string&) {}
void TShellKit::IniDeleteKey(const std::string&, const std::string&, const std::string&) {}
void TShellKit::RunAndWait(const std::string&, const std::string&, int, const std::string&) {}
int TShellKit::StartProcess(const std::string&, const std::string&, int, const std::string&) { return 0; }
