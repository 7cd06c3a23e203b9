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
