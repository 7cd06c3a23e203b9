#include "util/IconUpdate.h"

#include <windows.h>

#include <algorithm>

#include "util/RawFile.h"
#include "util/ResourceUpdate.h"
#include "util/Errors.h"
#include "util/ShellKit.h"

namespace {

constexpr WORD NewIconLanguage = 1033;
const LPCWSTR MainIconName = L"MAINICON";

std::string ReadIconFile(const std::string& iconFile) {
    TFile file(iconFile, TFileCreate::OpenExisting, TFileAccess::Read, TFileShare::Read);
    const uint32_t size = file.CappedSize();
    if (size > MaxIconFileSize) ResUpdateError("Icon file is too large");
    std::string data(size, '\0');
    file.ReadBuffer(data.data(), size);
    return data;
}

std::string ReadOldGroup(HMODULE module) {
    HRSRC info = FindResourceW(module, MainIconName, RT_GROUP_ICON);
    if (!info) ResUpdateErrorWithLastError("FindResource failed (1)");
    HGLOBAL loaded = LoadResource(module, info);
    if (!loaded) ResUpdateErrorWithLastError("LoadResource failed (1)");
    const void* locked = LockResource(loaded);
    if (!locked) ResUpdateErrorWithLastError("LockResource failed (1)");
    std::string group(static_cast<const char*>(locked), SizeofResource(module, info));
    // A truncated header reads as an empty group.
    if (group.size() < IconHeaderSize) group.assign(IconHeaderSize, '\0');
    return group;
}

unsigned GroupEntryCount(const std::string& group) {
    return std::min<unsigned>(IconImageCount(group.data()),
                              static_cast<unsigned>((group.size() - IconHeaderSize) / IconGroupEntrySize));
}

// Takes every resource to be kept and drops the old group with its images;
// returns the old group.
std::string DeleteOldIcons(TResourceUpdate& update, const std::string& exeFile) {
    UniqueModule module = LoadAsDataFile(exeFile);
    if (!module) ResUpdateErrorWithLastError("LoadLibraryEx failed (1)");
    const std::string group = ReadOldGroup(module.Get());
    if (!update.KeepExisting(module.Get())) ResUpdateErrorWithLastError("LoadResource failed (1)");

    const WORD groupLanguage = GetResourceLanguage(module.Get(), RT_GROUP_ICON, MainIconName);
    if (!update.Update(RT_GROUP_ICON, MainIconName, groupLanguage, nullptr, 0))
        ResUpdateErrorWithLastError("UpdateResource failed (1)");
    for (unsigned i = 0; i < GroupEntryCount(group); ++i) {
        const LPCWSTR id = MAKEINTRESOURCEW(IconGroupEntryId(group.data(), i));
        if (!update.Update(RT_ICON, id, GetResourceLanguage(module.Get(), RT_ICON, id), nullptr, 0))
            ResUpdateErrorWithLastError("UpdateResource failed (2)");
    }
    return group;
}

void AddNewIcons(TResourceUpdate& update, const std::string& oldGroup, const std::string& icon) {
    const unsigned count = IconImageCount(icon.data());
    for (unsigned i = 0; i < count; ++i) {
        const TIconImage image = IconImageAt(icon.data(), i);
        if (!update.Update(RT_ICON, MAKEINTRESOURCEW(i + 1), NewIconLanguage, icon.data() + image.offset,
                           image.size))
            ResUpdateErrorWithLastError("UpdateResource failed (3)");
    }
    const std::string group = BuildIconGroup(oldGroup.data(), icon.data());
    if (!update.Update(RT_GROUP_ICON, MainIconName, NewIconLanguage, group.data(),
                       static_cast<DWORD>(group.size())))
        ResUpdateErrorWithLastError("UpdateResource failed (4)");
}

}  // namespace

void ResUpdateError(const std::string& text) { throw Exception("Resource update error: " + text); }

void ResUpdateErrorWithLastError(const std::string& text) {
    ResUpdateError(text + "(" + std::to_string(GetLastError()) + ")");
}

void UpdateIcons(const std::string& exeFile, const std::string& iconFile) {
    if (!TShellKit::IsWin2000OrLater()) ResUpdateError("Only supported on Windows NT and above");
    const std::string icon = ReadIconFile(iconFile);
    if (!IsValidIcon(icon.data(), icon.size())) ResUpdateError("Icon file is invalid");

    // An update that is not committed is discarded, so any error below leaves
    // the target as it was.
    TResourceUpdate update;
    if (!update.Begin(exeFile)) ResUpdateErrorWithLastError("BeginUpdateResource failed (1)");
    const std::string oldGroup = DeleteOldIcons(update, exeFile);
    AddNewIcons(update, oldGroup, icon);
    if (!update.Commit()) ResUpdateErrorWithLastError("EndUpdateResource failed");
}
