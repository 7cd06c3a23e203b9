// INI text read as the Windows profile service reads a file: section and key
// names without regard to ASCII case, blanks around names and values dropped,
// one pair of matching quotes around a value removed, the first match wins.
#pragma once
#include <string>
#include <vector>

std::string ReadIniText(const std::string& text, const std::string& section, const std::string& key);
// The key names of the section, in file order.
std::vector<std::string> ReadIniTextSection(const std::string& text, const std::string& section);
