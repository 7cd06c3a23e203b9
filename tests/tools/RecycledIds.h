// Plays the system giving the ids of ended processes to a newcomer: while an
// object lives, every open by one of those ids opens the newcomer instead. A
// kill that goes by a stale id then hits the newcomer, as it would on Windows.
#pragma once
#include <algorithm>
#include <vector>

#include "util/ChildProcess.h"

class TRecycledIds {
public:
    TRecycledIds(std::vector<int> staleIds, int newcomer) : previous_(ProcessOpener()) {
        StaleIds() = std::move(staleIds);
        Newcomer() = newcomer;
        ProcessOpener() = Open;
    }
    ~TRecycledIds() { ProcessOpener() = previous_; }
    TRecycledIds(const TRecycledIds&) = delete;
    TRecycledIds& operator=(const TRecycledIds&) = delete;

private:
    TProcessOpener previous_;
    static std::vector<int>& StaleIds() {
        static std::vector<int> ids;
        return ids;
    }
    static int& Newcomer() {
        static int id = 0;
        return id;
    }
    static HANDLE Open(DWORD access, int id) {
        const bool stale = std::find(StaleIds().begin(), StaleIds().end(), id) != StaleIds().end();
        return OpenProcess(access, FALSE, static_cast<DWORD>(stale ? Newcomer() : id));
    }
};
