// When a stamping mode may write its target. A target another process holds
// open is waited for, up to a limit; one that cannot be written at all
// (access denied, a write-protected medium, gone) is not waited for.
#pragma once
#include <string>

enum class TTargetWaitStep { Write, Wait, GiveUp };

// openError: the platform's error from opening the target for exclusive
// writing, 0 when it opened.
TTargetWaitStep NextTargetWaitStep(unsigned openError, unsigned long long waitedMs,
                                   unsigned long long limitMs);

// Whether the error says another process has the file open.
bool IsInUseError(unsigned openError);

// A quitting runner lets go of its executable within seconds: a target held
// longer is reported, not waited for.
inline constexpr unsigned TargetInUseLimitSeconds = 30;
// "File "<target>" is still in use after 30 seconds", with no final period.
std::string TargetInUseText(const std::string& target);
