#include "util/ThreadWindows.h"

namespace {

std::vector<HWND> ThreadWindows() {
    std::vector<HWND> windows;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM found) {
            reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&windows));
    return windows;
}

}  // namespace

TDisabledThreadWindows::TDisabledThreadWindows() {
    for (HWND window : ThreadWindows())
        if (IsWindowEnabled(window)) {
            EnableWindow(window, FALSE);
            disabled_.push_back(window);
        }
}

TDisabledThreadWindows::~TDisabledThreadWindows() {
    for (HWND window : disabled_)
        if (IsWindow(window)) EnableWindow(window, TRUE);
}

bool HideThreadWindows() {
    bool hidden = false;
    for (HWND window : ThreadWindows())
        if (IsWindowVisible(window)) {
            ShowWindow(window, SW_HIDE);
            hidden = true;
        }
    return hidden;
}
