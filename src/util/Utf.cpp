#include "util/Utf.h"

#include <windows.h>

std::wstring Widen(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int size = static_cast<int>(utf8.size());
    int count = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring wide(static_cast<size_t>(count), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), count);
    return wide;
}

std::string Narrow(std::wstring_view wide) {
    if (wide.empty()) return {};
    const int size = static_cast<int>(wide.size());
    int count = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(count), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), count, nullptr, nullptr);
    return utf8;
}

unsigned SystemAnsiCodePage() {
    // GetACP() answers 65001 here, since our manifest asks for UTF-8; the
    // system's own choice (UTF-8 too, when the user switched it on) is this value.
    wchar_t value[16] = {};
    DWORD size = sizeof(value);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage", L"ACP",
                     RRF_RT_REG_SZ, nullptr, value, &size) == ERROR_SUCCESS) {
        if (const unsigned codePage = static_cast<unsigned>(_wtoi(value)); IsValidCodePage(codePage))
            return codePage;
    }
    DWORD codePage = 0;
    if (GetLocaleInfoW(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                       reinterpret_cast<wchar_t*>(&codePage), sizeof(codePage) / sizeof(wchar_t)) &&
        IsValidCodePage(codePage))
        return codePage;
    return GetACP();
}

std::optional<std::string> ToCodePage(std::string_view utf8, unsigned codePage) {
    const std::wstring wide = Widen(utf8);
    if (wide.empty()) return std::string();
    const int size = static_cast<int>(wide.size());
    // UTF-8 takes neither flag nor default-character report, and holds every character.
    const bool toUtf8 = codePage == CP_UTF8;
    const DWORD flags = toUtf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* usedDefaultReport = toUtf8 ? nullptr : &usedDefault;
    const int count = WideCharToMultiByte(codePage, flags, wide.data(), size, nullptr, 0, nullptr, usedDefaultReport);
    if (count <= 0 || usedDefault) return std::nullopt;
    std::string bytes(static_cast<size_t>(count), '\0');
    WideCharToMultiByte(codePage, flags, wide.data(), size, bytes.data(), count, nullptr, usedDefaultReport);
    if (usedDefault) return std::nullopt;
    // Some code pages read a byte sequence back as another character.
    const int backCount = MultiByteToWideChar(codePage, 0, bytes.data(), count, nullptr, 0);
    std::wstring back(static_cast<size_t>(backCount), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), count, back.data(), backCount);
    if (back != wide) return std::nullopt;
    return bytes;
}

std::string LastErrorText(unsigned code) {
    wchar_t* buffer = nullptr;
    DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text(buffer ? buffer : L"", length);
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' '))
        text.pop_back();
    return Narrow(text);
}
