// Processes we did not start (a crashed runner's servers), held through a
// pidfd: a signal sent through it reaches that process or none.
#pragma once
#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

#include "util/linux/Fd.h"

class THeldProcess {
public:
    THeldProcess(UniqueFd pidfd, pid_t pid) : pidfd_(std::move(pidfd)), pid_(pid) {}
    pid_t Id() const { return pid_; }
    bool Running() const;
    bool Signal(int signal) const;

private:
    UniqueFd pidfd_;
    pid_t pid_;
};

using TArguments = std::vector<std::string>;

// The command line of a process; empty when it is gone or not readable.
TArguments ProcessArguments(pid_t pid);
// Every process other than ours whose command line matches; of our user
// only, unless asked (a web server started as root has children of another).
std::vector<THeldProcess> HoldProcessesWhere(const std::function<bool(const TArguments&)>& matches,
                                             bool anyUser = false);
// Our user's other processes that run the file (the very file, whatever its
// path was when they started).
std::vector<THeldProcess> HoldProcessesRunning(const std::string& file);
// SIGTERM to each, up to limitMs to end, then SIGKILL to what still runs.
void EndHeldProcesses(const std::vector<THeldProcess>& processes, unsigned limitMs);
