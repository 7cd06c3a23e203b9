#include "launcher/TargetWait.h"

namespace {
constexpr unsigned ErrorSharingViolation = 32;
constexpr unsigned ErrorLockViolation = 33;
}  // namespace

bool IsInUseError(unsigned openError) {
    return openError == ErrorSharingViolation || openError == ErrorLockViolation;
}

TTargetWaitStep NextTargetWaitStep(unsigned openError, unsigned long long waitedMs,
                                   unsigned long long limitMs) {
    if (openError == 0) return TTargetWaitStep::Write;
    if (IsInUseError(openError) && waitedMs < limitMs) return TTargetWaitStep::Wait;
    return TTargetWaitStep::GiveUp;
}

std::string TargetInUseText(const std::string& target) {
    return "File \"" + target + "\" is still in use after " + std::to_string(TargetInUseLimitSeconds) + " seconds";
}
