// TShellKit: file contents, attributes, shell file operations, hashing and
// the running executable's own resources.
#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>

#include "util/Errors.h"
#include "util/Handles.h"
#include "util/Md5.h"
#include "util/ShellKit.h"
#include "util/Text.h"
#include "util/Utf.h"

namespace {

// Silent, no confirmations, no error boxes, nothing to the recycle bin.
constexpr FILEOP_FLAGS ShellFileFlags =
    FOF_SILENT | FOF_NOCONFIRMATION | FOF_SIMPLEPROGRESS | FOF_NOCONFIRMMKDIR | FOF_NOERRORUI;

// The shell takes lists of paths, each ended by a NUL, the list by a second one.
std::wstring PathList(const std::string& path) {
    std::wstring list = Widen(path);
    list.push_back(L'\0');
    return list;  // c_str() adds the second NUL
}

bool RunShellFileOperation(UINT operation, const std::string& source, const std::string& destination = {}) {
    const std::wstring from = PathList(source);
    const std::wstring to = PathList(destination);
    SHFILEOPSTRUCTW op{};
    op.wFunc = operation;
    op.pFrom = from.c_str();
    op.pTo = destination.empty() ? nullptr : to.c_str();
    op.fFlags = ShellFileFlags;
    return SHFileOperationW(&op) == 0 && !op.fAnyOperationsAborted;
}

// "Cannot open file "x". <the platform's reason>"
EFileError FileError(const char* verb, const std::string& file, DWORD code) {
    return EFileError("Cannot " + std::string(verb) + " file \"" + file + "\". " + LastErrorText(code), code);
}

}  // namespace

std::string TShellKit::ReadFileText(const std::string& file) {
    UniqueHandle handle(CreateFileW(Widen(file).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle) throw FileError("open", file, GetLastError());
    std::string text;
    char buffer[65536];
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(handle.Get(), buffer, sizeof(buffer), &read, nullptr))
            throw EFileError("Stream read error", GetLastError());
        if (read == 0) return text;
        text.append(buffer, read);
    }
}

namespace {

void WriteAll(HANDLE handle, const std::string& text) {
    size_t offset = 0;
    while (offset < text.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(text.size() - offset, 1u << 20));
        DWORD written = 0;
        if (!WriteFile(handle, text.data() + offset, chunk, &written, nullptr) || written == 0)
            throw EFileError("Stream write error", GetLastError());
        offset += written;
    }
}

UniqueHandle CreateForWriting(const std::string& file) {
    UniqueHandle handle(CreateFileW(Widen(file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle) throw FileError("create", file, GetLastError());
    return handle;
}

}  // namespace

void TShellKit::WriteFileText(const std::string& file, const std::string& text) {
    WriteAll(CreateForWriting(file).Get(), text);
}

void TShellKit::WriteFileAtomic(const std::string& file, const std::string& text) {
    const std::string staged = file + ".new";
    try {
        const UniqueHandle handle = CreateForWriting(staged);
        WriteAll(handle.Get(), text);
        // On the disk before the name points at it: a power cut leaves one whole file.
        if (!FlushFileBuffers(handle.Get())) throw FileError("write", staged, GetLastError());
    } catch (...) {
        DeleteFileW(Widen(staged).c_str());
        throw;
    }
    if (!MoveFileExW(Widen(staged).c_str(), Widen(file).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD code = GetLastError();
        DeleteFileW(Widen(staged).c_str());
        throw FileError("replace", file, code);
    }
}

bool TShellKit::IsFileLocked(const std::string& file) {
    if (!FileExists(file)) return false;
    // Read-only counts as locked even where a privileged user could still open it for writing.
    if (GetFileAttributesW(Widen(file).c_str()) & FILE_ATTRIBUTE_READONLY) return true;
    UniqueHandle handle(CreateFileW(Widen(file).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return !handle;
}

bool TShellKit::SetReadOnlyAttribute(const std::string& path, bool on) {
    const std::wstring wide = Widen(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    const DWORD changed = on ? attributes | FILE_ATTRIBUTE_READONLY : attributes & ~FILE_ATTRIBUTE_READONLY;
    return SetFileAttributesW(wide.c_str(), changed) != FALSE;
}

void TShellKit::ShellDeletePath(const std::string& path) {
    // An empty list would leave the shell to guess what to delete.
    if (Trim(path).empty()) return;
    RunShellFileOperation(FO_DELETE, path);
}

bool TShellKit::DeletePathChecked(const std::string& path) {
    if (FileExists(path)) ShellDeletePath(path);
    return !FileExists(path);
}

bool TShellKit::DeleteFileQuiet(const std::string& path) { return DeletePathChecked(path); }

void TShellKit::DeleteFolder(const std::string& path) { ShellDeletePath(Trim(path)); }

void TShellKit::CopyFolder(const std::string& source, const std::string& destination) {
    CopyFolderChecked(source, destination);
}

bool TShellKit::CopyFolderChecked(const std::string& source, const std::string& destination) {
    return !Trim(source).empty() && !Trim(destination).empty() &&
           RunShellFileOperation(FO_COPY, source, destination);
}

unsigned long long TShellKit::NewestWriteTime(const std::string& folder) {
    auto timeOf = [](const FILETIME& time) {
        return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    unsigned long long newest = 0;
    WIN32_FIND_DATAW entry{};
    UniqueFindHandle find(FindFirstFileW(Widen(folder + "\\*").c_str(), &entry));
    for (BOOL more = static_cast<bool>(find); more; more = FindNextFileW(find.Get(), &entry)) {
        const std::wstring name = entry.cFileName;
        if (name == L"..") continue;
        newest = std::max(newest, timeOf(entry.ftLastWriteTime));
        if (name != L"." && (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            newest = std::max(newest, NewestWriteTime(folder + "\\" + Narrow(name)));
    }
    return newest;
}

bool TShellKit::ForEachFileRecursive(const std::string& folder, bool readOnly) {
    if (!SetReadOnlyAttribute(folder, readOnly)) return false;
    WIN32_FIND_DATAW entry{};
    UniqueFindHandle find(FindFirstFileW(Widen(folder + "\\*").c_str(), &entry));
    if (!find) return true;
    bool result = true;
    do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::string path = folder + "\\" + Narrow(name);
        result = FileExists(path) ? SetReadOnlyAttribute(path, readOnly) : ForEachFileRecursive(path, readOnly);
    } while (result && FindNextFileW(find.Get(), &entry));
    return result;
}

bool TShellKit::BrowseForFile(std::string& path, const std::string& extension) {
    // Description and pattern are both the extension's wildcard.
    const std::string pattern = extension.empty() ? "*.*" : "*" + extension;
    return OpenFileDialog(path, pattern + "|" + pattern, extension);
}

bool TShellKit::OpenFileDialog(std::string& path, const std::string& filter, const std::string& defaultExtension) {
    // "description|pattern|..." becomes the platform's zero-separated list.
    std::wstring filters = Widen(filter);
    std::replace(filters.begin(), filters.end(), L'|', L'\0');
    filters += std::wstring(2, L'\0');
    std::wstring extension = Widen(defaultExtension);
    if (!extension.empty() && extension[0] == L'.') extension.erase(0, 1);
    std::wstring file(32768, L'\0');
    if (FileExists(path)) {
        const std::wstring initial = Widen(path);
        std::copy(initial.begin(), initial.end(), file.begin());
    }
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = GetActiveWindow();
    dialog.lpstrFilter = filters.c_str();
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_FILEMUSTEXIST;
    if (!GetOpenFileNameW(&dialog)) return false;
    path = Narrow(file.c_str());
    return true;
}

std::string TShellKit::ReplaceText(const std::string& text, const std::string& oldPattern,
                                   const std::string& newPattern, bool ignoreCase) {
    return ::ReplaceText(text, oldPattern, newPattern, ignoreCase);
}

std::string TShellKit::Md5Hex(const std::string& text) { return ::Md5Hex(text); }

std::string TShellKit::HashOfPath(const std::string& text) {
    return Md5Hex(text.empty() ? GetExeFileName() : text);
}

std::string TShellKit::ReadResourceText(const std::string& name) {
    HRSRC resource = FindResourceW(nullptr, Widen(name).c_str(), RT_RCDATA);
    HGLOBAL loaded = resource ? LoadResource(nullptr, resource) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) throw Exception("Resource " + name + " not found");
    return std::string(static_cast<const char*>(data), SizeofResource(nullptr, resource));
}

void TShellKit::SaveResourceToFile(const std::string& name, const std::string& file) {
    WriteFileText(file, ReadResourceText(name));
}
