#include "shell/linux/Favorites.h"

#include <gio/gio.h>

#include "util/IniText.h"
#include "util/linux/Files.h"
#include "util/linux/GObjectPtr.h"

const char FavoriteFoldersSection[] = "DIRS";
const char FavoritePagesSection[] = "URLS";

namespace {

const char PlainText[] = "text/plain";

// Desktop programs run apart from us: no window of theirs waits on ours.
void SpawnDetached(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    g_spawn_async(nullptr, argv.data(), nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr, nullptr, nullptr);
}

// Editors on Linux may save UTF-8 with a byte order mark; it is no part of the first line.
std::string ReadFavoritesText(const std::string& file) {
    static const std::string ByteOrderMark = "\xEF\xBB\xBF";
    std::string text = LinuxFiles::ReadFile(file);
    if (text.starts_with(ByteOrderMark)) text.erase(0, ByteOrderMark.size());
    return text;
}

}  // namespace

std::string FavoritesIniPath(const std::string& appDir) { return appDir + "/bin/Favorites.ini"; }

std::vector<TFavoriteItem> ReadFavoritesMenu(const std::string& file) {
    if (!LinuxFiles::FileExists(file)) return {};
    const std::string text = ReadFavoritesText(file);
    return PlanFavoritesMenu(ReadIniTextSection(text, FavoriteFoldersSection),
                             ReadIniTextSection(text, FavoritePagesSection));
}

std::optional<std::string> ReadFavorite(const std::string& file, const char* section, const std::string& caption) {
    if (file.empty() || !LinuxFiles::FileExists(file)) return std::nullopt;
    return ReadIniText(ReadFavoritesText(file), section, FavoriteKey(caption));
}

std::string FavoriteFolderPath(const std::string& value, const std::string& appDir) {
    const std::string folder = ExpandFolderValue(value, appDir);
    if (folder.empty() || folder.front() == '/') return folder;
    return appDir + "/" + folder;
}

void OpenFavoriteFolder(const std::string& folder) {
    if (!folder.empty() && LinuxFiles::DirectoryExists(folder)) SpawnDetached({"xdg-open", folder});
}

// The desktop's program for plain text, not for the file's own type: an .ini
// file may belong to anything (Wine claims it), and this is for editing.
// Where the desktop names none, xdg-open decides.
void EditFavorites(const std::string& file) {
    if (file.empty() || !LinuxFiles::FileExists(file)) return;
    auto editor = GObjectPtr<GAppInfo>::Adopt(g_app_info_get_default_for_type(PlainText, FALSE));
    if (!editor) {
        SpawnDetached({"xdg-open", file});
        return;
    }
    auto target = GObjectPtr<GFile>::Adopt(g_file_new_for_path(file.c_str()));
    GList files{target.Get(), nullptr, nullptr};
    g_app_info_launch(editor.Get(), &files, nullptr, nullptr);
}
