// Steps that "swallow every error" read as one line: Guarded([&] { ... });
#pragma once

template <class F>
bool Guarded(F&& step) noexcept {
    try {
        step();
        return true;
    } catch (...) {
        return false;
    }
}
