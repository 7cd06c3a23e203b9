#include "util/Timeline.h"

#include <windows.h>
#include <psapi.h>

#include <cstdio>

namespace {

using TPreciseTime = void(WINAPI*)(FILETIME*);

unsigned long long Ticks(const FILETIME& time) {
    return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// Windows 7 has only the coarse clock (15.6 ms steps).
unsigned long long Now() {
    static const auto precise = reinterpret_cast<TPreciseTime>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetSystemTimePreciseAsFileTime")));
    FILETIME now{};
    if (precise)
        precise(&now);
    else
        GetSystemTimeAsFileTime(&now);
    return Ticks(now);
}

// The basic counters: Wine leaves PrivateUsage of the extended ones unset, and
// PagefileUsage is the same private commit on Windows.
unsigned long long PrivateBytes() {
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof(memory);
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory));
    return memory.PagefileUsage;
}

void Append(HANDLE file, const char* name, unsigned long long time, unsigned long long privateBytes) {
    char line[160];
    const int length = std::snprintf(line, sizeof(line), "%lu %s %llu %llu\r\n", GetCurrentProcessId(), name, time,
                                     privateBytes);
    DWORD written = 0;
    // One write per line: appends of several processes never interleave inside one.
    if (length > 0) WriteFile(file, line, static_cast<DWORD>(length), &written, nullptr);
}

HANDLE OpenTimeline() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(L"VADROME_TIMELINE", path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    FILETIME created{}, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    Append(file, "start", Ticks(created), 0);
    return file;  // open until the process ends
}

}  // namespace

void TimelineMark(const char* name) {
    static const HANDLE file = OpenTimeline();
    if (file) Append(file, name, Now(), PrivateBytes());
}
