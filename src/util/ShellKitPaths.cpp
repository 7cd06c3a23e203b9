#include <windows.h>

#include "util/ShellKit.h"
#include "util/Utf.h"

std::string TShellKit::GetExeFileName() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return Narrow(path);
        }
        path.resize(path.size() * 2);
    }
}

std::string TShellKit::GetAppPath() {
    const std::string exe = GetExeFileName();
    return exe.substr(0, exe.find_last_of('\\') + 1);
}

std::string TShellKit::GetAppDir() {
    std::string dir = GetAppPath();
    // A drive root keeps its backslash.
    if (dir.size() > 1 && dir.back() == '\\' && dir[dir.size() - 2] != ':') dir.pop_back();
    return dir;
}

bool TShellKit::FileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool TShellKit::DirectoryExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}
