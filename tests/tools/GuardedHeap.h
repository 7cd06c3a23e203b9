// A checker for reads after free. While a TGuardedHeap lives, every C++
// allocation of its thread gets pages of its own, which become inaccessible
// when freed and are never reused: touching a freed object faults at once
// instead of reading stale bytes. Link GuardedHeap.cpp into the test that
// uses it; it replaces the global operator new and delete.
#pragma once

class TGuardedHeap {
public:
    TGuardedHeap();
    ~TGuardedHeap();
    TGuardedHeap(const TGuardedHeap&) = delete;
    TGuardedHeap& operator=(const TGuardedHeap&) = delete;
};
