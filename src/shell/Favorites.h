// The Favorites items of a browser window's menu, read from bin\Favorites.ini
// through the system's INI functions (their UTF-16 forms: a file with a
// UTF-16 byte order mark is read as Unicode, any other in the ANSI code page).
#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "shell/FavoritesRules.h"

extern const char FavoriteFoldersSection[];  // "DIRS"
extern const char FavoritePagesSection[];    // "URLS"

// "bin\Favorites.ini" beside the executable.
std::string FavoritesIniPath();

class TFavoritesMenu {
public:
    // Appends the items to menu with command ids from firstId on; returns the
    // file's short path, or empty (and adds nothing) when the file is missing.
    std::string Build(HMENU menu, WORD firstId);
    // The item behind a command id; nullptr for any other id.
    const TFavoriteItem* Item(WORD id) const;

private:
    WORD firstId_ = 0;
    std::vector<TFavoriteItem> items_;
};

// An item's value as the file has it now; nothing when the file is gone.
std::optional<std::string> ReadFavorite(const std::string& file, const char* section, const std::string& caption);
// Notepad on the file, started through the shell and owned by owner; nothing
// when the file is gone.
void EditFavorites(const std::string& file, HWND owner);
