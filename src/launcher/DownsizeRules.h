// What "downsize" removes, for both editions: one row of items per flag
// (arguments 2 to 17), then the shared libraries no remaining user needs.
// Paths are relative to the executable's folder with "\" between names; each
// edition turns them into its own.
#pragma once
#include <vector>

#include "launcher/CommandLine.h"

enum class TDownsizeItemKind { File, Folder, Favorite };

struct TDownsizeItem {
    TDownsizeItemKind Kind;
    const char* Path;  // a favorite: "section\key" of the favorites file
};

inline constexpr int FirstDownsizeFlag = 2;
// A runner the user leaves open must not keep the mode waiting for ever.
inline constexpr unsigned AloneWaitLimitMs = 30000;
inline constexpr char DownsizeFavoritesFile[] = "bin\\Favorites.ini";

// One row per flag, its items removed in this order.
const std::vector<std::vector<TDownsizeItem>>& DownsizeRows();

// A flag that was not given keeps its component: only what was asked for goes.
bool DownsizeFlagDeletes(const TCommandLine& args, int index);

// Libraries removed, in order, once none of their users exists as a file.
struct TLibraryRule {
    std::vector<const char*> Users, Libraries;
};
const std::vector<TLibraryRule>& SharedLibraryRules();
