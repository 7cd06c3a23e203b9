// Finding another process's windows from a test.
#pragma once
#include <windows.h>

#include <string>

#include "util/Utf.h"

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

// The texts of a dialog's controls, one per line.
inline std::string DialogText(HWND dialog) {
    std::string text;
    EnumChildWindows(
        dialog,
        [](HWND child, LPARAM parameter) -> BOOL {
            wchar_t buffer[1024] = L"";
            GetWindowTextW(child, buffer, 1024);
            *reinterpret_cast<std::string*>(parameter) += Narrow(buffer) + "\n";
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&text));
    return text;
}
