// Narrow-character calls for the server stand-ins. Built without our UTF-8
// manifest, they see their command line, environment and files in the
// system's ANSI code page, as PHP and MySQL do: a path that code page cannot
// hold arrives with question marks and names nothing.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "util/Handles.h"

namespace standin::ansi {

std::vector<std::string> Args();  // as the C runtime split GetCommandLineA
std::string Env(const char* name);  // empty when not set
std::optional<std::string> ReadFile(const std::string& path);
bool AppendToFile(const std::string& path, const std::string& text);
bool IsFile(const std::string& path);
bool IsFolder(const std::string& path);
// Starts "exe" params without a window; the process handle, empty on failure.
UniqueHandle StartHidden(const std::string& exe, const std::string& params);

}  // namespace standin::ansi
