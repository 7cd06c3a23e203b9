// Rewrites another executable's resources. Deletion through UpdateResource
// with no data is not honoured everywhere (Wine keeps the resource), so the
// update starts from an empty resource table and everything that is kept is
// written back at Commit: the result is the same on every platform.
#pragma once
#include <windows.h>

#include <map>
#include <optional>
#include <string>
#include <tuple>

#include "util/Handles.h"

// A resource type or name: a numeric id or a string.
struct TResId {
    WORD id = 0;
    std::wstring name;

    static TResId From(LPCWSTR value);
    LPCWSTR Ptr() const { return name.empty() ? MAKEINTRESOURCEW(id) : name.c_str(); }
    auto operator<=>(const TResId&) const = default;
};

class TResourceUpdate {
public:
    // Each returns false with the platform's last error set.
    bool Begin(const std::string& exeFile);
    // Takes every resource of module (the same file, loaded as data) to be kept.
    bool KeepExisting(HMODULE module);
    // No data deletes the resource of that type, name and language.
    bool Update(LPCWSTR type, LPCWSTR name, WORD language, const void* data, DWORD size);
    bool Commit();

private:
    using TKey = std::tuple<TResId, TResId, WORD>;
    UniqueUpdateHandle handle_;
    std::map<TKey, std::string> kept_;
};

// Loads exeFile for reading its resources; empty on failure (last error set).
UniqueModule LoadAsDataFile(const std::string& exeFile);
// The first language the platform reports for the resource; 0 when none.
WORD GetResourceLanguage(HMODULE module, LPCWSTR type, LPCWSTR name);
// The neutral-language RT_RCDATA resource of that name in exeFile; none
// when the file or the resource cannot be read.
std::optional<std::string> ReadRcDataOf(const std::string& exeFile, const std::string& name);
