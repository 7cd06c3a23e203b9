// Replaces the main icon group of another executable with the images of an
// .ico file. Failures raise Exception ("Resource update error: ...") or
// EFileError (reading the icon file); the target is then left unchanged.
#pragma once
#include <string>

#include "util/IconDirectory.h"

void UpdateIcons(const std::string& exeFile, const std::string& iconFile);

[[noreturn]] void ResUpdateError(const std::string& text);
// text followed at once by the last error in parentheses: "...(1)(5)".
[[noreturn]] void ResUpdateErrorWithLastError(const std::string& text);
