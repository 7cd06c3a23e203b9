#include <doctest/doctest.h>

#include <initializer_list>

#include "launcher/TargetWait.h"

TEST_CASE("a target in use is waited for up to the limit; any other refusal ends the wait at once") {
    const unsigned long long limit = 30000;
    CHECK(NextTargetWaitStep(0, 0, limit) == TTargetWaitStep::Write);
    CHECK(NextTargetWaitStep(0, limit * 2, limit) == TTargetWaitStep::Write);
    // Sharing and lock violations: another process has the file open.
    for (unsigned inUse : {32u, 33u}) {
        CHECK(NextTargetWaitStep(inUse, 0, limit) == TTargetWaitStep::Wait);
        CHECK(NextTargetWaitStep(inUse, limit - 1, limit) == TTargetWaitStep::Wait);
        CHECK(NextTargetWaitStep(inUse, limit, limit) == TTargetWaitStep::GiveUp);
    }
    // Access denied, write-protected medium, file or path gone, not ready.
    for (unsigned refused : {5u, 19u, 2u, 3u, 21u})
        CHECK(NextTargetWaitStep(refused, 0, limit) == TTargetWaitStep::GiveUp);
}
