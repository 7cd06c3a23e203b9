// The Favorites items of a browser window's menu on Linux, read from
// bin/Favorites.ini beside the executable, in UTF-8, with the same sections,
// placeholders and separators as on Windows.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "shell/FavoritesRules.h"

extern const char FavoriteFoldersSection[];  // "DIRS"
extern const char FavoritePagesSection[];    // "URLS"

// "bin/Favorites.ini" in the executable's folder.
std::string FavoritesIniPath(const std::string& appDir);

// The menu's items for the file, or none (and no separators) when it is missing.
std::vector<TFavoriteItem> ReadFavoritesMenu(const std::string& file);
// An item's value as the file has it now; nothing when the file is gone.
std::optional<std::string> ReadFavorite(const std::string& file, const char* section, const std::string& caption);
// A folder item's value as a folder path: placeholder replaced, relative to the executable's folder.
std::string FavoriteFolderPath(const std::string& value, const std::string& appDir);

// Hands a folder to the desktop's file manager; nothing when it is not there.
void OpenFavoriteFolder(const std::string& folder);
// Opens the file in the desktop's text editor; nothing when the file is gone.
void EditFavorites(const std::string& file);
