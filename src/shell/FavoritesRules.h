// The Favorites menu's rules that need no window: which items the file's
// keys give, and how an item's value becomes a folder or an address.
#pragma once
#include <string>
#include <string_view>
#include <vector>

enum class TFavoriteKind { Separator, Folder, Page };

struct TFavoriteItem {
    TFavoriteKind kind;
    std::string caption;
    bool operator==(const TFavoriteItem&) const = default;
};

// A separator, the folders (section "DIRS"), a separator, the pages ("URLS"),
// each in file order; a key "-" is a separator line of its own.
std::vector<TFavoriteItem> PlanFavoritesMenu(const std::vector<std::string>& folderKeys,
                                             const std::vector<std::string>& pageKeys);

// The key an item reads: its caption without the blanks around it.
std::string FavoriteKey(std::string_view caption);
// A folder value, trimmed, with "{APPDIR}" (any case) as the executable's folder.
std::string ExpandFolderValue(std::string_view value, std::string_view appDir);
// A page value, trimmed, with "{LOCALHOST:PORT}" (any case) as host and port.
std::string ExpandPageValue(std::string_view value, std::string_view hostAndPort);
// "127.0.0.1:8080" from a home address "http://127.0.0.1:8080".
std::string HostAndPortOf(std::string_view homeUrl);
