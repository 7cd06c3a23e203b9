// TShellKit: INI files through the platform's private-profile service.
#include <windows.h>

#include "util/Errors.h"
#include "util/ShellKit.h"
#include "util/Utf.h"

namespace {

constexpr DWORD ValueBufferSize = 2048;     // at most 2047 characters come back
constexpr DWORD SectionBufferSize = 16384;  // the key names of one section

}  // namespace

std::string TShellKit::IniReadString(const std::string& file, const std::string& section,
                                     const std::string& key) {
    wchar_t value[ValueBufferSize] = {};
    const DWORD length = GetPrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(), L"", value,
                                                  ValueBufferSize, Widen(file).c_str());
    return Narrow(std::wstring_view(value, length));
}

std::string TShellKit::ReadIniValue(const std::string& file, const std::string& section,
                                    const std::string& key) {
    return FileExists(file) ? IniReadString(file, section, key) : std::string();
}

void TShellKit::IniWriteString(const std::string& file, const std::string& section, const std::string& key,
                               const std::string& value) {
    if (!WritePrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(), Widen(value).c_str(),
                                    Widen(file).c_str()))
        throw EFileError("Unable to write to " + file, GetLastError());
}

void TShellKit::WriteIniValue(const std::string& file, const std::string& section, const std::string& key,
                              const std::string& value) {
    IniWriteString(file, section, key, value);
}

void TShellKit::IniDeleteKey(const std::string& file, const std::string& section, const std::string& key) {
    if (!FileExists(file)) return;
    WritePrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(), nullptr, Widen(file).c_str());
}

std::vector<std::string> TShellKit::ReadIniSection(const std::string& file, const std::string& section) {
    std::wstring names(SectionBufferSize, L'\0');
    const DWORD length = GetPrivateProfileStringW(Widen(section).c_str(), nullptr, L"", names.data(),
                                                  SectionBufferSize, Widen(file).c_str());
    names.resize(length);
    // The names come back one after another, each ended by a NUL.
    std::vector<std::string> keys;
    for (size_t start = 0; start < names.size();) {
        size_t end = names.find(L'\0', start);
        if (end == std::wstring::npos) end = names.size();
        if (end > start) keys.push_back(Narrow(std::wstring_view(names).substr(start, end - start)));
        start = end + 1;
    }
    return keys;
}
