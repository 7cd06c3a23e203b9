// "downsize" flag x16: deletes optional server components from the
// distribution beside the executable, then starts the runner again.
#include <windows.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "launcher/Modes.h"
#include "server/ServerText.h"
#include "util/Errors.h"
#include "util/Guard.h"
#include "util/ShellKit.h"

namespace {

constexpr unsigned DownsizePauseMs = 60;
constexpr unsigned AloneWaitLimitMs = 30000;
constexpr int FirstFlag = 2;
const char* const FavoritesFile = "bin\\Favorites.ini";

enum class TItemKind { File, Folder, Favorite };

// Paths are relative to the executable's folder; a favorite is "section\key".
struct TItem {
    TItemKind kind;
    const char* path;
};

using TRow = std::vector<TItem>;

TItem File(const char* path) { return {TItemKind::File, path}; }
TItem Folder(const char* path) { return {TItemKind::Folder, path}; }
TItem Favorite(const char* sectionAndKey) { return {TItemKind::Favorite, sectionAndKey}; }

// One row per flag, arguments 2 to 17, items removed in this order.
const std::vector<TRow>& ComponentRows() {
    static const std::vector<TRow> rows = {
        {Folder("data"), Folder("bin\\mysql"), File("bin\\Apache\\libmysql.dll"),
         File("bin\\php\\ext\\php_mysql.dll"), File("bin\\php\\ext\\php_mysqli.dll"),
         File("bin\\php\\ext\\php_pdo_mysql.dll"), Favorite("DIRS\\MySQL data directory")},
        {File("bin\\Apache\\sqlite3.dll"), File("bin\\php\\ext\\php_pdo_sqlite_external.dll"),
         File("bin\\php\\ext\\php_sqlite.dll")},
        {Folder("bin\\php\\Zend")},
        {Folder("bin\\php\\ionCube")},
        {File("bin\\php\\ext\\php_gd2.dll")},
        {File("bin\\php\\ext\\php_mbstring.dll"), File("bin\\php\\ext\\php_exif.dll")},
        {File("bin\\Apache\\sendmail.exe"), File("bin\\Apache\\sendmail.ini"), File("bin\\php\\ext\\php_imap.dll")},
        {File("bin\\php\\ext\\php_curl.dll")},
        {File("bin\\Apache\\libmcrypt.dll"), File("bin\\php\\ext\\php_mcrypt.dll")},
        {File("bin\\Apache\\libmhash.dll"), File("bin\\php\\ext\\php_mhash.dll")},
        {File("bin\\php\\ext\\php_sockets.dll")},
        {File("bin\\php\\ext\\php_mime_magic.dll"), File("bin\\php\\ext\\magic.mime")},
        {Folder("www\\phpmyadmin"), Folder("data\\phpmyadmin"), Favorite("URLS\\phpMyAdmin")},
        {File("bin\\php\\ext\\php_openssl.dll")},
        {File("bin\\php\\ext\\php_xmlrpc.dll")},
        {File("bin\\php\\ext\\php_exif.dll")},
    };
    return rows;
}

std::string AppFile(const char* relative) { return TShellKit::GetAppPath() + relative; }

void RemoveItem(const TItem& item) {
    const std::string path = AppFile(item.path);
    switch (item.kind) {
    case TItemKind::File: TShellKit::DeleteFileQuiet(path); break;
    case TItemKind::Folder: TShellKit::DeleteFolder(path); break;
    case TItemKind::Favorite: {
        const std::string entry = item.path;
        const size_t split = entry.find('\\');
        TShellKit::IniDeleteKey(AppFile(FavoritesFile), entry.substr(0, split), entry.substr(split + 1));
        break;
    }
    }
}

// A flag that was not given keeps its component: only what was asked for goes.
bool FlagDeletes(const TCommandLine& args, int index) {
    return index <= args.Count() && args.Arg(index) != "0";
}

bool NoneExists(std::initializer_list<const char*> files) {
    for (const char* file : files)
        if (TShellKit::FileExists(AppFile(file))) return false;
    return true;
}

void RemoveUnusedLibraries() {
    if (NoneExists({"bin\\php\\ext\\php_curl.dll", "bin\\php\\ext\\php_imap.dll", "bin\\php\\ext\\php_openssl.dll"}))
        Guarded([] {
            TShellKit::DeleteFileQuiet(AppFile("bin\\Apache\\libeay32.dll"));
            TShellKit::DeleteFileQuiet(AppFile("bin\\Apache\\ssleay32.dll"));
        });
    if (NoneExists({"bin\\php\\ext\\php_pdo_mysql.dll", "bin\\php\\ext\\php_pdo_sqlite_external.dll"}))
        Guarded([] { TShellKit::DeleteFileQuiet(AppFile("bin\\php\\ext\\php_pdo.dll")); });
}

// Every other process of this executable (a runner, its splash) must end
// first; a runner the user leaves open must not keep the mode for ever.
bool WaitToBeAlone() {
    const ULONGLONG deadline = GetTickCount64() + AloneWaitLimitMs;
    while (TShellKit::FindProcessesByPath(TShellKit::GetExeFileName()).size() >= 2) {
        if (GetTickCount64() >= deadline) return false;
        TShellKit::ProcessMessagesAndSleep(DownsizePauseMs);
    }
    return true;
}

}  // namespace

void RunDownsizeMode(const TCommandLine& args) {
    if (!WaitToBeAlone()) throw Exception(DownsizeBusyText(TShellKit::GetExeFileName()));
    TShellKit::ProcessMessagesAndSleep(DownsizePauseMs);
    const auto& rows = ComponentRows();
    for (size_t i = 0; i < rows.size(); ++i) {
        if (!FlagDeletes(args, FirstFlag + static_cast<int>(i))) continue;
        Guarded([&] {
            for (const TItem& item : rows[i]) RemoveItem(item);
        });
    }
    TShellKit::ProcessMessagesAndSleep(DownsizePauseMs);
    RemoveUnusedLibraries();
    TShellKit::StartProcess(TShellKit::GetExeFileName(), "", SW_SHOWNORMAL, "");
}
