// Steps that "swallow every error" read as one line: Guarded([&] { ... });
#pragma once
#include <exception>
#include <string>

#include "util/Errors.h"

template <class F>
bool Guarded(F&& step) noexcept {
    try {
        step();
        return true;
    } catch (...) {
        return false;
    }
}

// Runs one unguarded step; a failure names the step it came from.
template <class F>
void NamedStep(const std::string& what, F&& step) {
    try {
        step();
    } catch (const std::exception& error) {
        throw Exception(what + ": " + error.what());
    }
}
