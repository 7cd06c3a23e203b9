#include "util/linux/ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <utility>

#include "util/Errors.h"
#include "util/linux/Fd.h"

namespace {

constexpr unsigned PollMs = 20;

UniqueFd OpenOrThrow(const std::string& path, int flags) {
    UniqueFd fd(::open(path.c_str(), flags | O_CLOEXEC, 0600));
    if (!fd) throw Exception("Unable to open " + path + ": " + std::strerror(errno));
    return fd;
}

// Between fork and exec only async-signal-safe calls: all was decided before.
[[noreturn]] void RunChild(const TSpawnOptions& options, char* const* argv, pid_t parent, int input, int output,
                           int errorPipe) {
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction fallback{};
    fallback.sa_handler = SIG_DFL;
    for (int signal = 1; signal < NSIG; ++signal) sigaction(signal, &fallback, nullptr);
    if (options.OwnProcessGroup) setpgid(0, 0);
    if (options.EndWithParent) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        // The parent may have died before the request took hold.
        if (getppid() != parent) _exit(127);
    }
    dup2(input, 0);
    if (output >= 0) {
        dup2(output, 1);
        dup2(output, 2);
    }
    dup2(errorPipe, 3);
    fcntl(3, F_SETFD, FD_CLOEXEC);
    // Nothing else of ours goes over, whoever opened it without O_CLOEXEC.
    close_range(4, ~0U, 0);
    if (!options.WorkDir.empty() && chdir(options.WorkDir.c_str()) != 0) {
        const int error = errno;
        (void)!write(3, &error, sizeof(error));
        _exit(127);
    }
    execv(argv[0], argv);
    const int error = errno;
    (void)!write(3, &error, sizeof(error));
    _exit(127);
}

}  // namespace

TChildProcess::TChildProcess(TChildProcess&& other) noexcept
    : pid_(std::exchange(other.pid_, 0)), status_(other.status_), reaped_(std::exchange(other.reaped_, false)) {}

TChildProcess& TChildProcess::operator=(TChildProcess&& other) noexcept {
    if (this != &other) {
        Kill();
        pid_ = std::exchange(other.pid_, 0);
        status_ = other.status_;
        reaped_ = std::exchange(other.reaped_, false);
    }
    return *this;
}

TChildProcess::~TChildProcess() { Kill(); }

bool TChildProcess::Running() {
    if (pid_ <= 0 || reaped_) return false;
    siginfo_t info{};
    if (::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) != 0) {
        reaped_ = true;  // not ours to wait for
        return false;
    }
    if (info.si_pid == 0) return true;
    EndGroupAndReap();
    return false;
}

bool TChildProcess::Signal(int signal) {
    if (!Running()) return false;
    // A group of its own is led by it: the group's id is its id.
    if (::getpgid(pid_) == pid_) ::kill(-pid_, signal);
    return ::kill(pid_, signal) == 0;
}

void TChildProcess::Kill() {
    if (pid_ <= 0) return;
    if (!reaped_) {
        ::kill(pid_, SIGKILL);
        EndGroupAndReap();
    }
    pid_ = 0;
}

// Unreaped, it still holds its id, so its group's id names its group and no
// other; once reaped, the id may go to another process.
void TChildProcess::EndGroupAndReap() {
    if (::getpgid(pid_) == pid_) ::kill(-pid_, SIGKILL);
    int status = 0;
    pid_t result;
    while ((result = ::waitpid(pid_, &status, 0)) < 0 && errno == EINTR) {
    }
    if (result == pid_ && !status_) status_ = status;
    reaped_ = true;
}

bool TChildProcess::WaitFor(unsigned limitMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (Running()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(PollMs));
    }
    return true;
}

TChildProcess SpawnChild(const TSpawnOptions& options) {
    if (options.Arguments.empty()) throw Exception("No program to start");
    std::vector<std::string> arguments = options.Arguments;
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    const UniqueFd input = OpenOrThrow("/dev/null", O_RDONLY);
    const UniqueFd output = options.KeepOutput           ? UniqueFd()
                            : options.OutputPath.empty() ? OpenOrThrow("/dev/null", O_WRONLY)
                                                       : OpenOrThrow(options.OutputPath, O_WRONLY | O_CREAT | O_APPEND);
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) throw Exception(std::string("Unable to create a pipe: ") + std::strerror(errno));
    UniqueFd errorRead(pipeEnds[0]), errorWrite(pipeEnds[1]);

    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) throw Exception("Unable to start " + options.Arguments[0] + ": " + std::strerror(errno));
    if (pid == 0) RunChild(options, argv.data(), parent, input.Get(), output ? output.Get() : -1, errorWrite.Get());
    // Also here, so a signal to the group right after the fork reaches it.
    if (options.OwnProcessGroup) ::setpgid(pid, pid);
    TChildProcess child(pid);
    errorWrite.Reset();
    int error = 0;
    ssize_t got;
    while ((got = ::read(errorRead.Get(), &error, sizeof(error))) < 0 && errno == EINTR) {
    }
    if (got == sizeof(error)) {
        child.Kill();
        throw Exception("Unable to start " + options.Arguments[0] + ": " + std::strerror(error));
    }
    return child;
}

std::string DescribeWaitStatus(int status) {
    if (WIFEXITED(status)) return "exited with code " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) return "was ended by signal " + std::to_string(WTERMSIG(status));
    return "ended";
}
