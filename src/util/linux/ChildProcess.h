// A child process we hold. Until it is reaped its id stays ours, so a signal
// sent through the holder reaches that process or none, never a later one.
// Dropping the holder ends what still runs (its process group too) and reaps
// it: no zombie, nothing left behind.
#pragma once
#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

class TChildProcess {
public:
    TChildProcess() = default;
    explicit TChildProcess(pid_t pid) : pid_(pid) {}
    TChildProcess(TChildProcess&& other) noexcept;
    TChildProcess& operator=(TChildProcess&& other) noexcept;
    TChildProcess(const TChildProcess&) = delete;
    TChildProcess& operator=(const TChildProcess&) = delete;
    ~TChildProcess();

    explicit operator bool() const { return pid_ > 0; }
    pid_t Id() const { return pid_; }
    // Reaps it when it has ended (what is left of its group ended first); false when it has ended or
    // none is held.
    bool Running();
    // The wait status once reaped (see waitpid).
    std::optional<int> ExitStatus() const { return status_; }
    // The signal to the process, and to its group when it leads one.
    bool Signal(int signal);
    // SIGKILL to it and its group, then reaped.
    void Kill();
    // Waits up to limitMs for it to end; true when it has ended.
    bool WaitFor(unsigned limitMs);
    // Lets it run on its own: no longer held, neither ended nor reaped here.
    void Release() { pid_ = 0; }

private:
    void EndGroupAndReap();

    pid_t pid_ = 0;
    std::optional<int> status_;
    bool reaped_ = false;
};

// What a child is started with; everything is decided before the fork.
struct TSpawnOptions {
    std::vector<std::string> Arguments;     // the program first
    std::string WorkDir;                    // empty: ours
    std::string OutputPath;                 // stdout and stderr appended there; empty: /dev/null
    bool KeepOutput = false;                // stdout and stderr ours, OutputPath unused
    bool OwnProcessGroup = true;
    bool EndWithParent = true;              // SIGTERM when the runner dies, however it dies
};

// Throws Exception naming the program when it cannot be started.
TChildProcess SpawnChild(const TSpawnOptions& options);

// "exited with code 3" or "was ended by signal 9", for messages.
std::string DescribeWaitStatus(int status);
