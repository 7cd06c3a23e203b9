// Process-wide values shared by the server layer and the windows above it.
#pragma once
#include <string>

// The display name: the built-in name until start-up reads Config.ini's title.
extern std::string ProductTitle;
// Whether browser controls suppress script error dialogs (Browser.ini).
extern bool ScriptErrorsSilent;
