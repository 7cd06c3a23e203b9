// Rules both editions follow for the runner's own folders and ports.
#pragma once
#include <functional>
#include <string>

// The work folder's name: one per user and executable. Each edition joins
// with its own separator ("\" on Windows, "/" on Linux), as it always has.
std::string WorkFolderName(const std::string& loginName, char separator, const std::string& exePath);

inline constexpr int HighestPort = 65535;
// The first port from start (at least 1) up to 65535 that canListen accepts; -1 when none.
int FirstFreePort(int start, const std::function<bool(int)>& canListen);
