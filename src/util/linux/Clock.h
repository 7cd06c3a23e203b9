#pragma once
#include <chrono>

// Milliseconds of the monotonic clock: for deadlines, never for dates.
inline long long MonotonicMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
