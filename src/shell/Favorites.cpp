#include "shell/Favorites.h"

#include <shellapi.h>

#include "util/ShellKit.h"
#include "util/Utf.h"

const char FavoriteFoldersSection[] = "DIRS";
const char FavoritePagesSection[] = "URLS";

namespace {

// Notepad takes the whole parameter string as the file, so the short form
// keeps a path with blanks in one piece without quotes.
std::string ShortPathOf(const std::string& path) {
    const std::string shortPath = TShellKit::GetShortPath(path);
    return shortPath.empty() ? path : shortPath;
}

}  // namespace

std::string FavoritesIniPath() { return TShellKit::GetAppPath() + "bin\\Favorites.ini"; }

std::string TFavoritesMenu::Build(HMENU menu, WORD firstId) {
    const std::string path = FavoritesIniPath();
    if (!TShellKit::FileExists(path)) return {};
    const std::string file = ShortPathOf(path);
    firstId_ = firstId;
    items_ = PlanFavoritesMenu(TShellKit::ReadIniSection(file, FavoriteFoldersSection),
                               TShellKit::ReadIniSection(file, FavoritePagesSection));
    for (size_t index = 0; index < items_.size(); ++index) {
        const TFavoriteItem& item = items_[index];
        const UINT_PTR id = firstId + index;
        if (item.kind == TFavoriteKind::Separator)
            AppendMenuW(menu, MF_SEPARATOR, id, nullptr);
        else
            AppendMenuW(menu, MF_STRING, id, Widen(item.caption).c_str());
    }
    return file;
}

const TFavoriteItem* TFavoritesMenu::Item(WORD id) const {
    if (id < firstId_ || id - firstId_ >= static_cast<int>(items_.size())) return nullptr;
    return &items_[id - firstId_];
}

std::optional<std::string> ReadFavorite(const std::string& file, const char* section, const std::string& caption) {
    if (!TShellKit::FileExists(file)) return std::nullopt;
    return TShellKit::ReadIniValue(file, section, FavoriteKey(caption));
}

void EditFavorites(const std::string& file, HWND owner) {
    if (!TShellKit::FileExists(file)) return;
    const std::wstring notepad = Widen(TShellKit::GetSystemDir() + "\\notepad.exe");  // never one beside us
    ShellExecuteW(owner, L"open", notepad.c_str(), Widen(ShortPathOf(file)).c_str(), nullptr, SW_SHOWNORMAL);
}
