// Starts one program and reports, as "name value" lines, when it got where
// it is measured to: the system-clock ticks (100 ns) of the launch, of the
// process's creation, of the site answering, of a window showing, of its
// exit. scripts/bench-runner.sh turns them into intervals.
//   start_bench runner <exe> <port> <timeline file>   a double-click, the site, the window, memory
//   start_bench server <exe> <httpd.conf> <port>      a web server started directly
//   start_bench window <exe> <window class>           a program that shows a window
//   start_bench run <exe> [arguments]                 a program run to its end
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "StandinNet.h"
#include "util/Handles.h"
#include "util/Utf.h"

namespace {

constexpr unsigned PollMs = 5;
constexpr unsigned LimitMs = 60000;
// The runner's memory is read once its window has been shown for this long.
constexpr unsigned SettleMs = 2000;

unsigned long long Ticks(const FILETIME& time) {
    return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

unsigned long long Now() {
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    return Ticks(now);
}

unsigned long long CreationOf(HANDLE process) {
    FILETIME created{}, exited, kernel, user;
    GetProcessTimes(process, &created, &exited, &kernel, &user);
    return Ticks(created);
}

void Report(const char* name, unsigned long long value) { std::printf("%s %llu\n", name, value); }

struct TStarted {
    UniqueHandle Process;
    DWORD Id = 0;
};

// As a double-click or a plain start would: normal show command, no handles.
TStarted Start(const std::string& exe, const std::string& params, int show, HANDLE job = nullptr) {
    std::wstring commandLine = Widen("\"" + exe + "\"" + (params.empty() ? "" : " " + params));
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(show);
    PROCESS_INFORMATION info{};
    Report("launch", Now());
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, job ? CREATE_SUSPENDED : 0, nullptr,
                        nullptr, &startup, &info)) {
        std::fprintf(stderr, "cannot start %s\n", exe.c_str());
        std::exit(2);
    }
    UniqueHandle thread(info.hThread);
    TStarted started{UniqueHandle(info.hProcess), info.dwProcessId};
    if (job) {
        AssignProcessToJobObject(job, started.Process.Get());
        ResumeThread(thread.Get());
    }
    Report("created", CreationOf(started.Process.Get()));
    return started;
}

bool Answers(int port) {
    const auto page = standin::HttpRequest("127.0.0.1", port, "GET", "/", 2000);
    return page && page->Status == 200;
}

HWND ShownWindow(const wchar_t* className) {
    HWND window = FindWindowW(className, nullptr);
    return window && IsWindowVisible(window) ? window : nullptr;
}

// As the runner's own marks read it (util/Timeline.cpp).
unsigned long long PrivateBytesOf(DWORD id) {
    UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_VM_READ, FALSE, id));
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof(memory);
    if (!process || !GetProcessMemoryInfo(process.Get(), &memory, sizeof(memory))) return 0;
    return memory.PagefileUsage;
}

// Polls until done() says so or the limit passes; false on the limit.
template <class Done>
bool PollUntil(Done done) {
    const ULONGLONG end = GetTickCount64() + LimitMs;
    while (!done()) {
        if (GetTickCount64() >= end) return false;
        Sleep(PollMs);
    }
    return true;
}

int BenchRunner(const std::string& exe, int port, const std::string& timeline) {
    SetEnvironmentVariableW(L"VADROME_TIMELINE", Widen(timeline).c_str());
    const TStarted first = Start(exe, "", SW_SHOWNORMAL);
    bool answered = false;
    HWND window = nullptr;
    const bool done = PollUntil([&] {
        if (!answered && Answers(port)) answered = true, Report("answer", Now());
        if (!window && (window = ShownWindow(L"TfrmMain"))) Report("window", Now());
        return answered && window;
    });
    if (!done) std::fprintf(stderr, "the runner did not %s\n", answered ? "show its window" : "answer");
    if (!window) return 1;
    DWORD runnerId = 0;
    GetWindowThreadProcessId(window, &runnerId);
    UniqueHandle runner(OpenProcess(SYNCHRONIZE, FALSE, runnerId));
    Sleep(SettleMs);
    Report("private-settled", PrivateBytesOf(runnerId));
    const unsigned long long closing = Now();
    PostMessageW(window, WM_CLOSE, 0, 0);
    if (runner && WaitForSingleObject(runner.Get(), LimitMs) == WAIT_OBJECT_0)
        Report("closed-ms", (Now() - closing) / 10000);
    return done ? 0 : 1;
}

int BenchServer(const std::string& exe, const std::string& conf, int port) {
    // Its serving child goes with it when the job closes.
    UniqueHandle job(CreateJobObjectW(nullptr, nullptr));
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job.Get(), JobObjectExtendedLimitInformation, &limits, sizeof(limits));
    const TStarted server = Start(exe, "-f \"" + conf + "\"", SW_HIDE, job.Get());
    if (!PollUntil([&] { return Answers(port); })) return 1;
    Report("answer", Now());
    return 0;
}

int BenchWindow(const std::string& exe, const std::string& className) {
    const TStarted program = Start(exe, "", SW_SHOWNORMAL);
    HWND window = nullptr;
    if (!PollUntil([&] { return (window = ShownWindow(Widen(className).c_str())) != nullptr; })) return 1;
    Report("window", Now());
    PostMessageW(window, WM_CLOSE, 0, 0);
    WaitForSingleObject(program.Process.Get(), LimitMs);
    return 0;
}

int BenchRun(const std::string& exe, const std::vector<std::string>& args) {
    std::string params;
    for (const std::string& arg : args) {
        const bool quoted = arg.find(' ') != std::string::npos;
        params += (params.empty() ? "" : " ") + (quoted ? "\"" + arg + "\"" : arg);
    }
    const TStarted program = Start(exe, params, SW_SHOWNORMAL);
    WaitForSingleObject(program.Process.Get(), LimitMs);
    Report("exit", Now());
    DWORD code = 1;
    GetExitCodeProcess(program.Process.Get(), &code);
    Report("code", code);
    return 0;
}

}  // namespace

int main() {
    const std::vector<std::string> args = standin::CommandLineArgs();
    const standin::TWinsock winsock;
    const std::string mode = args.size() > 1 ? args[1] : "";
    if (mode == "runner" && args.size() == 5) return BenchRunner(args[2], std::stoi(args[3]), args[4]);
    if (mode == "server" && args.size() == 5) return BenchServer(args[2], args[3], std::stoi(args[4]));
    if (mode == "window" && args.size() == 4) return BenchWindow(args[2], args[3]);
    if (mode == "run" && args.size() >= 3) return BenchRun(args[2], {args.begin() + 3, args.end()});
    std::fprintf(stderr, "usage: start_bench runner|server|window|run ...\n");
    return 2;
}
