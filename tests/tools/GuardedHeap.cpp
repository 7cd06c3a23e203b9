#include "tools/GuardedHeap.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>

namespace {

struct TBlock {
    void* start;
    SIZE_T size;
    bool freed;
};

// Fixed storage: the bookkeeping must not allocate through operator new itself.
constexpr int MaxBlocks = 8192;
TBlock blocks[MaxBlocks];
int blockCount = 0;
SRWLOCK lock = SRWLOCK_INIT;
std::atomic<DWORD> guardedThread{0};

void* GuardedAllocate(std::size_t size) {
    const SIZE_T bytes = size ? size : 1;
    AcquireSRWLockExclusive(&lock);
    void* start = blockCount < MaxBlocks ? VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE)
                                         : nullptr;
    if (start) blocks[blockCount++] = {start, bytes, false};
    ReleaseSRWLockExclusive(&lock);
    return start;
}

// False when the block is not one of ours.
bool GuardedFree(void* start) {
    AcquireSRWLockExclusive(&lock);
    bool found = false;
    for (int i = 0; i < blockCount && !found; ++i) {
        if (blocks[i].start != start) continue;
        DWORD old = 0;
        VirtualProtect(start, blocks[i].size, PAGE_NOACCESS, &old);
        blocks[i].freed = found = true;
    }
    ReleaseSRWLockExclusive(&lock);
    return found;
}

bool InFreedBlock(ULONG_PTR address) {
    AcquireSRWLockShared(&lock);
    bool found = false;
    for (int i = 0; i < blockCount && !found; ++i) {
        const auto start = reinterpret_cast<ULONG_PTR>(blocks[i].start);
        found = blocks[i].freed && address >= start && address - start < blocks[i].size;
    }
    ReleaseSRWLockShared(&lock);
    return found;
}

// Ends the test with a clear word at the first touch, wherever it happens
// (window procedures included); other faults go their usual way.
LONG CALLBACK ReportTouchOfFreedMemory(EXCEPTION_POINTERS* exception) {
    const EXCEPTION_RECORD& record = *exception->ExceptionRecord;
    if (record.ExceptionCode != EXCEPTION_ACCESS_VIOLATION || record.NumberParameters < 2 ||
        !InFreedBlock(record.ExceptionInformation[1]))
        return EXCEPTION_CONTINUE_SEARCH;
    std::fprintf(stderr, "Freed memory at %p touched by the code at %p\n",
                 reinterpret_cast<void*>(record.ExceptionInformation[1]), record.ExceptionAddress);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

TGuardedHeap::TGuardedHeap() {
    static const PVOID handler = AddVectoredExceptionHandler(1, ReportTouchOfFreedMemory);
    (void)handler;
    guardedThread = GetCurrentThreadId();
}
TGuardedHeap::~TGuardedHeap() { guardedThread = 0; }

void* operator new(std::size_t size) {
    void* memory = guardedThread == GetCurrentThreadId() ? GuardedAllocate(size) : nullptr;
    if (!memory) memory = std::malloc(size ? size : 1);
    if (!memory) throw std::bad_alloc();
    return memory;
}

void operator delete(void* memory) noexcept {
    if (memory && !GuardedFree(memory)) std::free(memory);
}

void operator delete(void* memory, std::size_t) noexcept { operator delete(memory); }
