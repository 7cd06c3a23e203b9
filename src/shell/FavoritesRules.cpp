#include "shell/FavoritesRules.h"

#include <algorithm>

#include "util/Text.h"

namespace {

const std::string_view Separator = "-";
const std::string_view AppDirPlaceholder = "{APPDIR}";
const std::string_view HostPlaceholder = "{LOCALHOST:PORT}";
const std::string_view Scheme = "http://";

void AppendItems(std::vector<TFavoriteItem>& items, const std::vector<std::string>& keys, TFavoriteKind kind) {
    for (const std::string& key : keys)
        items.push_back({key == Separator ? TFavoriteKind::Separator : kind, key});
}

}  // namespace

std::vector<TFavoriteItem> PlanFavoritesMenu(const std::vector<std::string>& folderKeys,
                                             const std::vector<std::string>& pageKeys) {
    std::vector<TFavoriteItem> items{{TFavoriteKind::Separator, std::string(Separator)}};
    AppendItems(items, folderKeys, TFavoriteKind::Folder);
    items.push_back({TFavoriteKind::Separator, std::string(Separator)});
    AppendItems(items, pageKeys, TFavoriteKind::Page);
    return items;
}

std::string FavoriteKey(std::string_view caption) { return Trim(caption); }

std::string ExpandFolderValue(std::string_view value, std::string_view appDir) {
    return ReplaceText(Trim(value), AppDirPlaceholder, appDir, true);
}

std::string ExpandPageValue(std::string_view value, std::string_view hostAndPort) {
    return ReplaceText(Trim(value), HostPlaceholder, hostAndPort, true);
}

std::string HostAndPortOf(std::string_view homeUrl) {
    return std::string(homeUrl.substr(std::min(homeUrl.size(), Scheme.size())));
}
