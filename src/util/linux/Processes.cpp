#include "util/linux/Processes.h"

#include <dirent.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <thread>

#include "util/linux/Files.h"

namespace {

constexpr unsigned PollMs = 20;

bool OwnedByUs(pid_t pid) {
    struct stat info{};
    return ::stat(("/proc/" + std::to_string(pid)).c_str(), &info) == 0 && info.st_uid == ::geteuid();
}

}  // namespace

bool THeldProcess::Running() const {
    // A pidfd turns readable once the process has ended, reaped or not.
    pollfd wait{pidfd_.Get(), POLLIN, 0};
    return ::poll(&wait, 1, 0) == 0;
}

bool THeldProcess::Signal(int signal) const {
    return ::syscall(SYS_pidfd_send_signal, pidfd_.Get(), signal, nullptr, 0) == 0;
}

TArguments ProcessArguments(pid_t pid) {
    std::string bytes;
    try {
        bytes = LinuxFiles::ReadFile("/proc/" + std::to_string(pid) + "/cmdline");
    } catch (...) {
        return {};
    }
    TArguments arguments;
    for (size_t start = 0; start < bytes.size();) {
        size_t end = bytes.find('\0', start);
        if (end == std::string::npos) end = bytes.size();
        arguments.push_back(bytes.substr(start, end - start));
        start = end + 1;
    }
    return arguments;
}

namespace {

std::vector<THeldProcess> HoldProcessesWhose(const std::function<bool(pid_t)>& matches, bool anyUser) {
    std::vector<THeldProcess> held;
    const std::unique_ptr<DIR, int (*)(DIR*)> proc(::opendir("/proc"), ::closedir);
    if (!proc) return held;
    while (const dirent* entry = ::readdir(proc.get())) {
        char* end = nullptr;
        const long pid = std::strtol(entry->d_name, &end, 10);
        if (pid <= 0 || *end != '\0' || pid == ::getpid() || (!anyUser && !OwnedByUs(pid))) continue;
        if (!matches(pid)) continue;
        UniqueFd pidfd(static_cast<int>(::syscall(SYS_pidfd_open, static_cast<pid_t>(pid), 0)));
        // Looked at again once held: the id may have passed to another process in between.
        if (pidfd && matches(pid)) held.emplace_back(std::move(pidfd), pid);
    }
    return held;
}

}  // namespace

std::vector<THeldProcess> HoldProcessesWhere(const std::function<bool(const TArguments&)>& matches, bool anyUser) {
    return HoldProcessesWhose([&](pid_t pid) { return matches(ProcessArguments(pid)); }, anyUser);
}

std::vector<THeldProcess> HoldProcessesRunning(const std::string& file) {
    struct stat wanted{};
    if (::stat(file.c_str(), &wanted) != 0) return {};
    return HoldProcessesWhose([&](pid_t pid) {
        struct stat image{};
        return ::stat(("/proc/" + std::to_string(pid) + "/exe").c_str(), &image) == 0 && image.st_dev == wanted.st_dev &&
               image.st_ino == wanted.st_ino;
    }, false);
}

void EndHeldProcesses(const std::vector<THeldProcess>& processes, unsigned limitMs) {
    for (const THeldProcess& process : processes) process.Signal(SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    for (const THeldProcess& process : processes)
        while (process.Running() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(PollMs));
    for (const THeldProcess& process : processes) process.Signal(SIGKILL);
}
