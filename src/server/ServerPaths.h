// How paths and values reach the servers: programs for the system's ANSI code
// page, started without our UTF-8 manifest.
#pragma once
#include <string>

// The form of a path, existing or yet to be made, that every server reads
// as we mean it (ChooseServerPathForm); throws Exception naming the path
// when it has none.
std::string ServerPath(const std::string& path);
// The same for values the servers only pass on: the path itself when it has none.
std::string ServerPathOrSelf(const std::string& path);
// A value as it goes into a generated configuration file: in the system's ANSI code page.
std::string ServerFileText(const std::string& text);
