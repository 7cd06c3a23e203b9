// The one place where our UTF-8 strings meet the platform's UTF-16.
#pragma once
#ifdef _WIN32
#include <string>
#include <string_view>

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);
std::string LastErrorText(unsigned code);  // the platform's message for an error code, trimmed
#endif
