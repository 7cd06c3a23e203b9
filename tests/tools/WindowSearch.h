// Finding another process's windows from a test.
#pragma once
#include <windows.h>

#include <string>

// The first visible top-level window of the process with the given class; nullptr when none.
inline HWND FindVisibleWindowOf(DWORD processId, const wchar_t* className) {
    struct Search {
        DWORD id;
        const wchar_t* className;
        HWND found;
    } search{processId, className, nullptr};
    EnumWindows([](HWND window, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        wchar_t name[64] = {};
        GetClassNameW(window, name, 64);
        if (owner == s->id && IsWindowVisible(window) && std::wstring(name) == s->className) s->found = window;
        return s->found == nullptr;
    }, reinterpret_cast<LPARAM>(&search));
    return search.found;
}
