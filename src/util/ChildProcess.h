// A process we hold. While we keep its handle the system gives its id to no
// other process, and a kill through the handle reaches that process or none:
// never a later program that happens to carry the same id.
#pragma once
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "util/Handles.h"
#include "util/ProcessTree.h"

class TChildProcess {
public:
    TChildProcess() = default;
    TChildProcess(UniqueHandle process, int id) : process_(std::move(process)), id_(process_ ? id : 0) {}

    explicit operator bool() const { return static_cast<bool>(process_); }
    int Id() const { return id_; }  // 0 when none is held
    HANDLE Handle() const { return process_.Get(); }
    bool Running() const;
    // Exit code 0, as every kill of ours; false when it has ended or none is held.
    bool Kill() const;
    std::uint64_t CreationTime() const;  // 0 when unknown
    TChildProcess Duplicate() const;

private:
    UniqueHandle process_;
    int id_ = 0;
};

// Rights that let us prove who a process is, wait for it and end it.
constexpr DWORD HoldRights = PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE | PROCESS_TERMINATE;

// The one place where an id, which may since have passed to another process,
// becomes a handle. Tests replace it to play a recycled id.
using TProcessOpener = HANDLE (*)(DWORD access, int id);
TProcessOpener& ProcessOpener();
TChildProcess HoldProcess(int id, DWORD access = HoldRights);

// Starts a process as TShellKit::StartProcess does and holds it. A job, when
// given, takes the process before it runs, so whatever it starts is inside
// too; a job that refuses it is no failure.
TChildProcess StartChildProcess(const std::string& exe, const std::string& params, int showCommand,
                                const std::string& workDir, HANDLE job = nullptr);
// Starts a process as TShellKit::RunAndWait does and waits for it without
// limit, handling the thread's window messages meanwhile: its exit code, or
// none when it could not be started.
std::optional<unsigned long> RunAndWaitForExitCode(const std::string& exe, const std::string& params, int showCommand,
                                                   const std::string& workDir);
// Every process that runs the file, as TShellKit::FindProcessesByPath finds
// them, held through the handle their image was read from.
std::vector<TChildProcess> HoldProcessesByPath(const std::string& file);
// Ends the first process that runs the file: given up to waitMs to end by
// itself, then killed through the handle it was found by, never by an id that
// may have passed to another program since. False when none runs it.
bool EndFirstProcessByPath(const std::string& file, unsigned waitMs);

// One snapshot of every process; counted, since look-ups are polled.
std::vector<TSnapshotEntry> TakeProcessSnapshot();
unsigned long long ProcessSnapshotsTaken();

// Every process the root started, and so on down, as one snapshot shows it
// and creation times prove it; each parent before its children.
std::vector<TChildProcess> HoldDescendants(const TChildProcess& root);
// The root itself or one of its descendants with that id; empty otherwise.
TChildProcess HoldInTree(const TChildProcess& root, int id);
// Each descendant before its parent, the root last.
void KillProcessTree(const TChildProcess& root);
// The id of the process that started this one while that process lives; none
// once it has ended, though a later process may carry its id (creation times
// tell them apart). One we may not open is taken as living.
std::optional<int> LiveStarterOf(const TChildProcess& process);

// A job whose processes end when its last handle closes, whatever ends its
// owner; empty when the system refuses one.
UniqueHandle CreateKillOnCloseJob();
