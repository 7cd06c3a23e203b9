// The program body driven through the real executable: modes that do nothing
// end with exit code 0, and a first launch relaunches itself and cleans up.
#include <doctest/doctest.h>

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "util/Handles.h"
#include "util/ShellKit.h"
#include "tools/DemoWebServer.h"
#include "tools/TempFolder.h"
#include "util/Utf.h"
#include "tools/ProcessParameters.h"
#include "tools/ProcessSweep.h"
#include "tools/WindowSearch.h"

namespace {

std::string BuiltRunner() {
    return TShellKit::ExpandAppRelative(TShellKit::GetAppPath() + "..\\..\\src\\vadrome.exe");
}

// Starts exe with the given arguments and show command; returns the process.
// Without the flag, as launchers that pass a zeroed STARTUPINFO do, it gives no show command.
UniqueHandle Launch(const std::string& exe, const std::string& args, WORD show, DWORD flags = STARTF_USESHOWWINDOW) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = flags;
    startup.wShowWindow = show;
    PROCESS_INFORMATION info{};
    std::wstring line = Widen("\"" + exe + "\" " + args);
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return UniqueHandle();
    CloseHandle(info.hThread);
    return UniqueHandle(info.hProcess);
}

// Exit code, or STILL_ACTIVE when the process outlives the wait (it is killed then).
DWORD ExitCodeAfter(UniqueHandle process, DWORD milliseconds) {
    if (WaitForSingleObject(process.Get(), milliseconds) != WAIT_OBJECT_0) {
        TerminateProcess(process.Get(), 99);
        return STILL_ACTIVE;
    }
    DWORD code = 0;
    GetExitCodeProcess(process.Get(), &code);
    return code;
}

template <class Condition>
bool WaitFor(Condition condition, int milliseconds) {
    for (int waited = 0; waited < milliseconds; waited += 100) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return condition();
}

// The show command another process was started with; -1 when unreadable.
int StartupShowCommandOf(int id) {
    const auto parameters = ReadProcessParameters(id);
    return parameters ? parameters->showCommand : -1;
}

// The runner's main window, or, in a folder without a distribution, its start-up failure box.
bool ShowsRunnerWindow(int id) {
    return FindVisibleWindowOf(static_cast<DWORD>(id), L"TfrmMain") != nullptr ||
           FindVisibleWindowOf(static_cast<DWORD>(id), L"#32770") != nullptr;
}

// Processes running the file, without the runner's splash child (whose
// parent runs the same file).
std::vector<int> RunnerInstances(const std::string& exe) {
    const std::vector<int> all = TShellKit::FindProcessesByPath(exe);
    std::vector<int> runners;
    for (int id : all)
        if (std::find(all.begin(), all.end(), TShellKit::GetParentProcessId(id)) == all.end()) runners.push_back(id);
    return runners;
}

}  // namespace

TEST_CASE("command lines that name no runnable mode end at once with exit code 0") {
    TempFolder temp;
    const std::string exe = temp / "runner.exe";
    REQUIRE(CopyFileW(Widen(BuiltRunner()).c_str(), Widen(exe).c_str(), FALSE));
    for (const char* args : {"unknown", "RENAME only-one", "rename", "downsize 1 1 1 1 1",
                             "splash \"no such file.ini\"", "SPLASH", "/config", "/icon target.exe",
                             "/setup \"no such target.exe\"", "/SETUPX a b"}) {
        CAPTURE(args);
        CHECK(ExitCodeAfter(Launch(exe, args, SW_HIDE), 20000) == 0);
    }
}

TEST_CASE("a first launch relaunches itself, removes a left-over renamer copy and ends") {
    TempFolder temp;
    const std::string exe = temp / "runner.exe";
    const std::string renamer = temp / "vadrome-rename.exe";
    REQUIRE(CopyFileW(Widen(BuiltRunner()).c_str(), Widen(exe).c_str(), FALSE));
    CopyDemoWebServer(temp.Path());
    TShellKit::WriteFileText(renamer, "left over");

    DWORD flags = STARTF_USESHOWWINDOW;
    int relaunchShow = 6000 + SW_SHOWNORMAL;
    SUBCASE("shown normally") {}
    SUBCASE("given no show command") { flags = 0, relaunchShow = 6000 + SW_SHOWDEFAULT; }
    UniqueHandle first = Launch(exe, "", SW_SHOWNORMAL, flags);
    REQUIRE(first);
    const DWORD firstId = GetProcessId(first.Get());
    CHECK(ExitCodeAfter(std::move(first), 20000) == 0);
    CHECK_FALSE(TShellKit::FileExists(renamer));

    // The relaunched instance runs the same file under a new process id,
    // started with the first launch's show command plus 6000.
    int second = 0;
    CHECK(WaitFor([&] {
        auto ids = RunnerInstances(exe);
        second = ids.empty() ? 0 : ids.front();
        return second != 0 && second != static_cast<int>(firstId);
    }, 20000));
    CHECK(StartupShowCommandOf(second) == relaunchShow);
    CHECK(WaitFor([&] { return ShowsRunnerWindow(second); }, 30000));
    CHECK(SweepProcessesOf(exe));
}

TEST_CASE("a start with a show command of 6000 or more is the runner itself: no relaunch, no DLL from beside it") {
    TempFolder temp;
    const std::string exe = temp / "runner.exe";
    REQUIRE(CopyFileW(Widen(BuiltRunner()).c_str(), Widen(exe).c_str(), FALSE));
    // Under Wine with uxtheme native first (CMakeLists.txt): only the search keeps this one out.
    const std::string planted = TShellKit::GetAppPath() + "planted\\uxtheme.dll";
    REQUIRE(CopyFileW(Widen(planted).c_str(), Widen(temp / "uxtheme.dll").c_str(), FALSE));
    CopyDemoWebServer(temp.Path());
    UniqueHandle runner = Launch(exe, "", 6001);
    REQUIRE(runner);
    const int id = static_cast<int>(GetProcessId(runner.Get()));
    CHECK(WaitFor([&] { return ShowsRunnerWindow(id); }, 30000));
    CHECK(RunnerInstances(exe) == std::vector<int>{id});
    CHECK_FALSE(TShellKit::FileExists(temp / "uxtheme.dll.loaded"));
    CHECK(SweepProcessesOf(exe));
}
