// Rules of the stamping modes that need no platform: which embedded entry a
// mode writes, what an icon file must be, and when a stamp counts as done.
#pragma once
#include <optional>
#include <string>

#include "launcher/CommandLine.h"

inline constexpr char ConfigEntryName[] = "RES_CONFIG_INI";
inline constexpr char IconEntryName[] = "MAINICON";
inline constexpr char SplashEntryName[] = "RES_SPLASH";

// The entry "/config", "/icon" or "/splash" writes; none for other modes.
const char* StampedEntryOf(TMode mode);

// "Icon file is too large" or "Icon file is invalid" for an icon file the
// icon stamp refuses; empty when it takes it.
std::string IconFileProblem(const std::string& data);

// A stamping child did its work only when it ended well and the target now
// carries exactly the bytes it was given: a stamp that did not take must not
// pass for a change.
bool StampTook(std::optional<int> exitCode, const std::optional<std::string>& stamped, const std::string& wanted);
