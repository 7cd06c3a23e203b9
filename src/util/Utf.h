// The one place where our UTF-8 strings meet the platform's UTF-16.
#pragma once
#ifdef _WIN32
#include <optional>
#include <string>
#include <string_view>

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);

// The code page of programs without our UTF-8 manifest: the servers see their
// command lines, environment and files in it.
unsigned SystemAnsiCodePage();
// The text in that code page, only when every character comes back unchanged
// (no best-fit look-alikes, no default character).
std::optional<std::string> ToCodePage(std::string_view utf8, unsigned codePage);
std::string LastErrorText(unsigned code);  // the platform's message for an error code, trimmed
#endif
