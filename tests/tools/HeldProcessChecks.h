// Checks on processes the tests hold.
#pragma once
#include "util/ChildProcess.h"

inline bool EndsWithin(const TChildProcess& process, DWORD milliseconds) {
    return WaitForSingleObject(process.Handle(), milliseconds) == WAIT_OBJECT_0;
}

// Wine asks for the full query right here, where Windows takes the limited one.
inline bool InJob(const TChildProcess& process, HANDLE job) {
    UniqueHandle query(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, static_cast<DWORD>(process.Id())));
    BOOL inside = FALSE;
    return IsProcessInJob(query.Get(), job, &inside) && inside;
}
