// TShellKit: paths, folders and drives.
#include <windows.h>
#include <shlobj.h>

#include <cstdio>

#include "util/Handles.h"
#include "util/PrivateFolder.h"
#include "util/RunnerRules.h"
#include "util/ShellKit.h"
#include "util/Text.h"
#include "util/Utf.h"

namespace {

// Calls a "fill this buffer, return the length" API, growing the buffer when
// the API asks for more; empty when it fails.
template <class Fill>
std::string ReadPlatformString(Fill fill, DWORD initial = MAX_PATH) {
    std::wstring buffer(initial, L'\0');
    for (;;) {
        const DWORD length = fill(buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) {
            buffer.resize(length);
            return Narrow(buffer);
        }
        buffer.resize(length + 1);
    }
}

// "D:\" for any path on drive D; "\\server\share\" for a network path.
std::string RootOf(const std::string& path) {
    const std::string trimmed = Trim(path);
    if (trimmed.size() >= 2 && trimmed[1] == ':') return trimmed.substr(0, 2) + "\\";
    if (trimmed.rfind("\\\\", 0) == 0) {
        const size_t share = trimmed.find('\\', 2);
        const size_t end = share == std::string::npos ? share : trimmed.find('\\', share + 1);
        return trimmed.substr(0, end) + "\\";
    }
    return trimmed.substr(0, 3);
}

}  // namespace

std::string TShellKit::GetExeFileName() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
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

std::string TShellKit::ExpandAppRelative(const std::string& path) {
    const std::string appDir = GetAppDir();
    const std::string current = ReadPlatformString(
        [](wchar_t* buffer, DWORD size) { return GetCurrentDirectoryW(size, buffer); });
    if (Trim(current) != Trim(appDir)) SetCurrentDirectoryW(Widen(appDir).c_str());
    const std::wstring wide = Widen(path);
    return ReadPlatformString([&](wchar_t* buffer, DWORD size) {
        return GetFullPathNameW(wide.c_str(), size, buffer, nullptr);
    });
}

std::string TShellKit::GetTempDir() {
    std::string dir =
        ReadPlatformString([](wchar_t* buffer, DWORD size) { return GetTempPathW(size, buffer); });
    if (!dir.empty()) dir.pop_back();
    return dir;
}

std::string TShellKit::GetWindowsDir() {
    return ReadPlatformString([](wchar_t* buffer, DWORD size) { return GetWindowsDirectoryW(buffer, size); });
}

std::string TShellKit::GetSystemDir() {
    return ReadPlatformString([](wchar_t* buffer, DWORD size) { return GetSystemDirectoryW(buffer, size); });
}

std::string TShellKit::GetSpecialFolder(int csidl) {
    LPITEMIDLIST rawList = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &rawList))) return {};
    UniqueCoTaskMem<ITEMIDLIST> list(rawList);
    wchar_t path[MAX_PATH] = {};
    if (!SHGetPathFromIDListW(list.Get(), path)) return {};
    return Narrow(path);
}

std::string TShellKit::GetCommonAppDataDir() { return GetSpecialFolder(CSIDL_COMMON_APPDATA); }

std::string TShellKit::GetDocumentsDir() { return GetSpecialFolder(CSIDL_PERSONAL); }

std::string TShellKit::GetLoginName() {
    wchar_t name[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    if (!GetUserNameW(name, &size)) return {};
    return Trim(Narrow(name));
}

// Made private from the start: the start-up refuses one that someone else made first.
std::string TShellKit::GetWorkDir() {
    const std::string parent = GetCommonAppDataDir();
    const std::string dir = parent + "\\" + WorkFolderName(GetLoginName(), '\\', GetExeFileName());
    if (!DirectoryExists(dir) && ForceDirectories(parent)) CreatePrivateFolder(dir);
    return dir;
}

std::string TShellKit::MakeUniqueFileName(const std::string& prefix, const std::string& folder,
                                          const std::string& suffix, int counter) {
    const std::string base = !folder.empty() && DirectoryExists(folder) ? folder : GetTempDir();
    for (;; ++counter) {
        std::string candidate = base + "\\" + prefix + std::to_string(counter) + suffix;
        if (!FileExists(candidate) || !IsFileLocked(candidate)) return candidate;
    }
}

bool TShellKit::IsCdRomDrive(const std::string& drive) {
    const std::string root = RootOf(drive.empty() ? GetExeFileName() : drive);
    return GetDriveTypeW(Widen(root).c_str()) == DRIVE_CDROM;
}

bool TShellKit::GetVolumeLabel(const std::string& root, std::string& label) {
    wchar_t name[MAX_PATH + 1] = {};
    if (!GetVolumeInformationW(Widen(RootOf(root)).c_str(), name, MAX_PATH + 1, nullptr, nullptr,
                               nullptr, nullptr, 0))
        return false;
    label = Narrow(name);
    return true;
}

bool TShellKit::GetDriveVolumeLabel(const std::string& path) {
    std::string label;
    return GetVolumeLabel(path, label);
}

bool TShellKit::FileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool TShellKit::DirectoryExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool TShellKit::ForceDirectories(const std::string& path) {
    std::string dir = path;
    while (dir.size() > 3 && dir.back() == '\\') dir.pop_back();
    if (dir.empty()) return false;
    if (DirectoryExists(dir)) return true;
    const size_t slash = dir.find_last_of('\\');
    if (slash != std::string::npos && slash > 0) {
        const std::string parent = dir.substr(0, slash);
        // "C:" and the "\\server" part of a network path are not folders to create.
        if (parent.back() != ':' && parent.find_first_not_of('\\') != std::string::npos &&
            !ForceDirectories(parent))
            return false;
    }
    return CreateDirectoryW(Widen(dir).c_str(), nullptr) || DirectoryExists(dir);
}

std::string TShellKit::GetFolderIdentity(const std::string& folder) {
    UniqueHandle handle(CreateFileW(Widen(folder).c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!handle || !GetFileInformationByHandle(handle.Get(), &info)) return {};
    // Some network file systems give every file index 0.
    if ((info.nFileIndexHigh | info.nFileIndexLow) == 0) return {};
    char text[32];
    std::snprintf(text, sizeof text, "%08lX-%08lX%08lX", info.dwVolumeSerialNumber, info.nFileIndexHigh,
                  info.nFileIndexLow);
    return text;
}

unsigned long TShellKit::GetVolumeSerial(const std::string& path) {
    DWORD serial = 0;
    if (!GetVolumeInformationW(Widen(RootOf(path)).c_str(), nullptr, 0, &serial, nullptr, nullptr, nullptr, 0))
        return 0;
    return serial;
}

std::string TShellKit::GetShortPath(const std::string& path) {
    const std::wstring wide = Widen(path);
    return ReadPlatformString([&](wchar_t* buffer, DWORD size) {
        return GetShortPathNameW(wide.c_str(), buffer, size);
    });
}
