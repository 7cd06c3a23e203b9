// The calling thread's top-level windows, for waits that must not leave them
// looking hung and for an end that must not leave them on screen.
#pragma once
#include <windows.h>

#include <vector>

// The thread's enabled top-level windows are disabled for the life of the
// object, as a modal dialog disables its owner, so that messages handled
// during a long wait bring no clicks or keys.
class TDisabledThreadWindows {
public:
    TDisabledThreadWindows();
    ~TDisabledThreadWindows();
    TDisabledThreadWindows(const TDisabledThreadWindows&) = delete;
    TDisabledThreadWindows& operator=(const TDisabledThreadWindows&) = delete;

private:
    std::vector<HWND> disabled_;
};

// Hides every visible top-level window of the thread; true when one was visible.
bool HideThreadWindows();
