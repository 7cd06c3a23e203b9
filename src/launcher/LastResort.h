#pragma once
#include <exception>

// An error that escaped a command-line mode: the "Application Error" box,
// then the process ends with exit code 1.
[[noreturn]] void HandleEscapedError(const std::exception* error);
// The same box, for a mode that reports an error and still has work to do.
void ShowEscapedError(const std::exception* error);
// The box's text, for tests.
#include <string>
std::string EscapedErrorText(const std::exception* error);
