#include "util/ChildProcess.h"

#include <tlhelp32.h>

#include <atomic>

namespace {

std::atomic<unsigned long long> snapshotsTaken{0};

HANDLE OpenById(DWORD access, int id) { return OpenProcess(access, FALSE, static_cast<DWORD>(id)); }

}  // namespace

bool TChildProcess::Running() const { return process_ && WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT; }

bool TChildProcess::Kill() const { return Running() && TerminateProcess(process_.Get(), 0); }

std::uint64_t TChildProcess::CreationTime() const {
    FILETIME created, exited, kernel, user;
    if (!process_ || !GetProcessTimes(process_.Get(), &created, &exited, &kernel, &user)) return 0;
    return (static_cast<std::uint64_t>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

TChildProcess TChildProcess::Duplicate() const {
    HANDLE copy = nullptr;
    if (!process_ || !DuplicateHandle(GetCurrentProcess(), process_.Get(), GetCurrentProcess(), &copy, 0, FALSE,
                                      DUPLICATE_SAME_ACCESS))
        return {};
    return TChildProcess(UniqueHandle(copy), id_);
}

TProcessOpener& ProcessOpener() {
    static TProcessOpener opener = OpenById;
    return opener;
}

TChildProcess HoldProcess(int id, DWORD access) {
    if (id <= 0) return {};
    return TChildProcess(UniqueHandle(ProcessOpener()(access, id)), id);
}

std::vector<TSnapshotEntry> TakeProcessSnapshot() {
    ++snapshotsTaken;
    std::vector<TSnapshotEntry> entries;
    UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return entries;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more; more = Process32NextW(snapshot.Get(), &entry))
        entries.push_back(
            {static_cast<int>(entry.th32ProcessID), static_cast<int>(entry.th32ParentProcessID), entry.szExeFile});
    return entries;
}

unsigned long long ProcessSnapshotsTaken() { return snapshotsTaken; }

std::vector<TChildProcess> HoldDescendants(const TChildProcess& root) {
    std::vector<TChildProcess> held;
    if (!root) return held;
    const std::vector<TSnapshotEntry> snapshot = TakeProcessSnapshot();
    std::vector<TChildProcess> opened(snapshot.size());
    // The handle that proves a link stays open, so the kill reaches the process that was proven.
    const auto creationTimeOf = [&](std::size_t index) {
        opened[index] = HoldProcess(snapshot[index].Id);
        return opened[index].CreationTime();
    };
    for (std::size_t index : ProvenDescendants(snapshot, root.Id(), root.CreationTime(), creationTimeOf))
        held.push_back(std::move(opened[index]));
    return held;
}

TChildProcess HoldInTree(const TChildProcess& root, int id) {
    if (!root || id <= 0) return {};
    if (id == root.Id()) return root.Duplicate();
    for (TChildProcess& process : HoldDescendants(root))
        if (process.Id() == id) return std::move(process);
    return {};
}

void KillProcessTree(const TChildProcess& root) {
    std::vector<TChildProcess> descendants = HoldDescendants(root);
    for (auto process = descendants.rbegin(); process != descendants.rend(); ++process) process->Kill();
    root.Kill();
}

std::optional<int> LiveStarterOf(const TChildProcess& process) {
    const std::uint64_t created = process.CreationTime();
    for (const TSnapshotEntry& entry : TakeProcessSnapshot()) {
        if (entry.Id != process.Id() || entry.ParentId <= 0) continue;
        const TChildProcess starter = HoldProcess(entry.ParentId, PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE);
        if (!starter) return GetLastError() == ERROR_ACCESS_DENIED ? std::optional<int>(entry.ParentId) : std::nullopt;
        const std::uint64_t started = starter.CreationTime();
        if (starter.Running() && created != 0 && started != 0 && started <= created) return entry.ParentId;
        return std::nullopt;
    }
    return std::nullopt;
}

UniqueHandle CreateKillOnCloseJob() {
    UniqueHandle job(CreateJobObjectW(nullptr, nullptr));
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (job && !SetInformationJobObject(job.Get(), JobObjectExtendedLimitInformation, &limits, sizeof(limits)))
        job.Reset();
    return job;
}
