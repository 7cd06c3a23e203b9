// Byte-string helpers shared by every layer; ASCII rules only, so UTF-8
// sequences pass through untouched.
#pragma once
#include <string>
#include <string_view>

// Without spaces and control characters at the ends.
std::string Trim(std::string_view text);
std::string TrimLeft(std::string_view text);
std::string TrimRight(std::string_view text);

// Every byte below 0x80: text that reads the same in UTF-8 and in every ANSI code page.
bool IsAscii(std::string_view text);

// ASCII letters only; other bytes (UTF-8 sequences included) unchanged.
std::string LowerAscii(std::string_view text);
std::string UpperAscii(std::string_view text);

// Every occurrence of oldPattern replaced, left to right, without rescanning
// replaced text. An empty pattern replaces nothing.
std::string ReplaceText(std::string_view text, std::string_view oldPattern,
                        std::string_view newPattern, bool ignoreCase);
