// "downsize" flag x16: deletes optional server components from the
// distribution beside the executable, then starts the runner again.
#include <windows.h>

#include <string>
#include <vector>

#include "launcher/DownsizeRules.h"
#include "launcher/Modes.h"
#include "server/Runner.h"
#include "server/ServerText.h"
#include "util/Errors.h"
#include "util/Guard.h"
#include "util/ShellKit.h"

namespace {

constexpr unsigned DownsizePauseMs = 60;

std::string AppFile(const char* relative) { return TShellKit::GetAppPath() + relative; }

void RemoveItem(const TDownsizeItem& item) {
    const std::string path = AppFile(item.Path);
    switch (item.Kind) {
    case TDownsizeItemKind::File: TShellKit::DeleteFileQuiet(path); break;
    case TDownsizeItemKind::Folder: TShellKit::DeleteFolder(path); break;
    case TDownsizeItemKind::Favorite: {
        const std::string entry = item.Path;
        const size_t split = entry.find('\\');
        TShellKit::IniDeleteKey(AppFile(DownsizeFavoritesFile), entry.substr(0, split), entry.substr(split + 1));
        break;
    }
    }
}

bool NoneExists(const std::vector<const char*>& files) {
    for (const char* file : files)
        if (TShellKit::FileExists(AppFile(file))) return false;
    return true;
}

void RemoveUnusedLibraries() {
    for (const TLibraryRule& rule : SharedLibraryRules())
        if (NoneExists(rule.Users))
            Guarded([&] {
                for (const char* library : rule.Libraries) TShellKit::DeleteFileQuiet(AppFile(library));
            });
}

// Every other process of this executable (a runner, its splash) must end
// first; a runner the user leaves open must not keep the mode for ever.
bool WaitToBeAlone() {
    const ULONGLONG deadline = GetTickCount64() + AloneWaitLimitMs;
    // Another user's runner is not ours to see, but its lock is.
    while (TShellKit::FindProcessesByPath(TShellKit::GetExeFileName()).size() >= 2 ||
           TShellKit::InstanceRuns(AppFolderLockName())) {
        if (GetTickCount64() >= deadline) return false;
        TShellKit::ProcessMessagesAndSleep(DownsizePauseMs);
    }
    return true;
}

}  // namespace

void RunDownsizeMode(const TCommandLine& args) {
    if (!WaitToBeAlone()) throw Exception(DownsizeBusyText(TShellKit::GetExeFileName()));
    TShellKit::ProcessMessagesAndSleep(DownsizePauseMs);
    const auto& rows = DownsizeRows();
    for (size_t i = 0; i < rows.size(); ++i) {
        if (!DownsizeFlagDeletes(args, FirstDownsizeFlag + static_cast<int>(i))) continue;
        Guarded([&] {
            for (const TDownsizeItem& item : rows[i]) RemoveItem(item);
        });
    }
    TShellKit::ProcessMessagesAndSleep(DownsizePauseMs);
    RemoveUnusedLibraries();
    TShellKit::StartProcess(TShellKit::GetExeFileName(), "", SW_SHOWNORMAL, "");
}
