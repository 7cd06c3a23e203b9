#include <doctest/doctest.h>

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <thread>

#include "tools/HeldProcessChecks.h"
#include "tools/TempFolder.h"
#include "util/ChildProcess.h"
#include "util/ShellKit.h"
#include "util/Utf.h"

namespace {

// Long enough for every check; short enough that nothing outlives the test run.
const std::string ChildLifetime = "20000";

std::string ChildExe() { return TShellKit::GetAppPath() + "util_test_child.exe"; }

// Kills what a test started even when a check fails.
struct ChildProcesses {
    std::vector<int> ids;
    ~ChildProcesses() {
        for (int id : ids) TShellKit::KillProcess(id);
    }
};

template <class Condition>
bool WaitFor(Condition condition) {
    for (int i = 0; i < 100; ++i) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

std::string Upper(const std::string& text) {
    std::wstring wide = Widen(text);
    CharUpperBuffW(wide.data(), static_cast<DWORD>(wide.size()));
    return Narrow(wide);
}

}  // namespace

TEST_CASE("a started child is found by long path, short path and any letter case, then killed") {
    TempFolder temp;
    const std::string copy = temp / "Kind Prozeß ü.exe";
    REQUIRE(CopyFileW(Widen(ChildExe()).c_str(), Widen(copy).c_str(), FALSE));
    ChildProcesses children;
    const int id = TShellKit::StartProcess(copy, "sleep " + ChildLifetime, SW_HIDE, temp.Path());
    REQUIRE(id != 0);
    children.ids.push_back(id);

    CHECK(WaitFor([&] { return TShellKit::FindProcessByPath(copy) == id; }));
    CHECK(TShellKit::FindProcessByPath(TShellKit::GetShortPath(copy)) == id);
    CHECK(TShellKit::FindProcessByPath(Upper(copy)) == id);
    CHECK(TShellKit::FindProcessesByPath(copy) == std::vector<int>{id});
    CHECK(TShellKit::GetParentProcessId(id) == TShellKit::GetSelfProcessId());
    CHECK(TShellKit::ProcessExists(id));
    const auto ids = TShellKit::ListProcessIds();
    CHECK(std::find(ids.begin(), ids.end(), id) != ids.end());

    CHECK(TShellKit::KillProcess(id));
    CHECK(WaitFor([&] { return !TShellKit::ProcessExists(id); }));
    CHECK(TShellKit::FindProcessByPath(copy) == 0);
}

TEST_CASE("a child started by its short path is found by its long path and by its short path") {
    TempFolder temp;
    const std::string copy = temp / "Kind Prozeß ü.exe";
    REQUIRE(CopyFileW(Widen(ChildExe()).c_str(), Widen(copy).c_str(), FALSE));
    const std::string shortPath = TShellKit::GetShortPath(copy);
    REQUIRE(Upper(shortPath) != Upper(copy));
    ChildProcesses children;
    const int id = TShellKit::StartProcess(shortPath, "sleep " + ChildLifetime, SW_HIDE, "");
    REQUIRE(id != 0);
    children.ids.push_back(id);

    CHECK(WaitFor([&] { return TShellKit::FindProcessByPath(copy) == id; }));
    CHECK(TShellKit::FindProcessesByPath(Upper(shortPath)) == std::vector<int>{id});
    // The same name in another folder is another file.
    const std::string twin = temp / "twin";
    CreateDirectoryW(Widen(twin).c_str(), nullptr);
    REQUIRE(CopyFileW(Widen(copy).c_str(), Widen(twin + "\\Kind Prozeß ü.exe").c_str(), FALSE));
    CHECK(TShellKit::FindProcessesByPath(twin + "\\Kind Prozeß ü.exe").empty());
}

namespace {

// Counts the processes a look-up opens.
class TCountedOpens {
public:
    TCountedOpens() : previous_(ProcessOpener()) {
        Count() = 0;
        ProcessOpener() = Open;
    }
    ~TCountedOpens() { ProcessOpener() = previous_; }
    TCountedOpens(const TCountedOpens&) = delete;
    TCountedOpens& operator=(const TCountedOpens&) = delete;
    static int& Count() {
        static int count = 0;
        return count;
    }

private:
    TProcessOpener previous_;
    static HANDLE Open(DWORD access, int id) {
        ++Count();
        return OpenProcess(access, FALSE, static_cast<DWORD>(id));
    }
};

}  // namespace

TEST_CASE("a look-up by path opens only the processes that run a file of that name") {
    TempFolder temp;
    const std::string target = temp / "target.exe", other = temp / "other.exe";
    REQUIRE(CopyFileW(Widen(ChildExe()).c_str(), Widen(target).c_str(), FALSE));
    REQUIRE(CopyFileW(Widen(ChildExe()).c_str(), Widen(other).c_str(), FALSE));
    ChildProcesses children;
    for (const std::string& exe : {target, other, other})
        children.ids.push_back(TShellKit::StartProcess(exe, "sleep " + ChildLifetime, SW_HIDE, ""));
    REQUIRE(WaitFor([&] { return TShellKit::FindProcessesByPath(other).size() == 2; }));

    const TCountedOpens opens;
    CHECK(TShellKit::FindProcessesByPath(target) == std::vector<int>{children.ids[0]});
    CHECK(TCountedOpens::Count() == 1);
}

TEST_CASE("the own process's image and files that nothing runs") {
    CHECK(Upper(TShellKit::GetProcessImagePath(TShellKit::GetSelfProcessId())) ==
          Upper(TShellKit::GetExeFileName()));
    CHECK(TShellKit::FindProcessByPath(TShellKit::GetExeFileName()) == TShellKit::GetSelfProcessId());
    CHECK(TShellKit::FindProcessByPath(ChildExe()) == 0);
    CHECK(TShellKit::FindProcessByPath(TShellKit::GetAppPath() + "missing.exe") == 0);
    CHECK(TShellKit::FindProcessesByPath(TShellKit::GetAppPath() + "missing.exe").empty());
    CHECK(TShellKit::GetProcessImagePath(-1) == "");
    CHECK_FALSE(TShellKit::ProcessExists(-5));
    CHECK_FALSE(TShellKit::KillProcess(0));
}

TEST_CASE("a relative name is resolved against the application folder") {
    SetCurrentDirectoryW(Widen(TShellKit::GetAppDir()).c_str());
    ChildProcesses children;
    const int id = TShellKit::StartProcess(ChildExe(), "sleep " + ChildLifetime, SW_HIDE, "");
    REQUIRE(id != 0);
    children.ids.push_back(id);
    CHECK(WaitFor([&] { return TShellKit::FindProcessByPath("util_test_child.exe") == id; }));
}

TEST_CASE("descendants are found through the parent chain") {
    TempFolder temp;
    const std::string copy = temp / "spawner.exe";
    REQUIRE(CopyFileW(Widen(ChildExe()).c_str(), Widen(copy).c_str(), FALSE));
    ChildProcesses children;
    // Quotes in the path are dropped before the path is quoted again.
    const int child = TShellKit::StartProcess("\"" + copy + "\"", "spawn " + ChildLifetime, SW_HIDE, "");
    REQUIRE(child != 0);
    children.ids.push_back(child);
    std::vector<int> both;
    REQUIRE(WaitFor([&] { return (both = TShellKit::FindProcessesByPath(copy)).size() == 2; }));
    const int grandchild = both[0] == child ? both[1] : both[0];
    children.ids.push_back(grandchild);

    const int self = TShellKit::GetSelfProcessId();
    CHECK(TShellKit::IsDescendantProcess(child, grandchild));
    CHECK(TShellKit::IsDescendantProcess(self, grandchild));
    CHECK(TShellKit::IsDescendantProcess(self, child));
    CHECK_FALSE(TShellKit::IsDescendantProcess(grandchild, child));
    CHECK_FALSE(TShellKit::IsDescendantProcess(child, self));
    CHECK_FALSE(TShellKit::IsDescendantProcess(0, child));
}

TEST_CASE("running and waiting, and starts that fail") {
    const auto start = std::chrono::steady_clock::now();
    TShellKit::RunAndWait(ChildExe(), "sleep 400", SW_HIDE, "");
    CHECK(std::chrono::steady_clock::now() - start >= std::chrono::milliseconds(350));

    CHECK(RunAndWaitForExitCode(ChildExe(), "sleep 1", SW_HIDE, "") == 0ul);
    CHECK(RunAndWaitForExitCode(ChildExe(), "sleep", SW_HIDE, "") == 2ul);  // too few words

    TempFolder temp;
    CHECK(TShellKit::StartProcess(temp / "missing.exe", "", SW_HIDE, "") == 0);
    const auto before = std::chrono::steady_clock::now();
    TShellKit::RunAndWait(temp / "missing.exe", "", SW_HIDE, "");
    CHECK(std::chrono::steady_clock::now() - before < std::chrono::seconds(5));
    CHECK_FALSE(RunAndWaitForExitCode(temp / "missing.exe", "", SW_HIDE, "").has_value());
}

TEST_CASE("privileges are enabled by name") {
    CHECK(TShellKit::EnablePrivilege("SeDebugPrivilege"));
    CHECK_FALSE(TShellKit::EnablePrivilege("SeNoSuchPrivilege"));
}

namespace {

// Kills what a test started even when a check fails. Its references stay valid.
struct HeldProcesses {
    std::deque<TChildProcess> processes;
    TChildProcess& Start(const std::string& parameters) {
        processes.push_back(StartChildProcess(ChildExe(), parameters, SW_HIDE, ""));
        return processes.back();
    }
    ~HeldProcesses() {
        for (const TChildProcess& process : processes) KillProcessTree(process);
    }
};

// The one process the spawner started, once it runs.
TChildProcess SpawnedBy(const TChildProcess& spawner) {
    std::vector<TChildProcess> below;
    WaitFor([&] { return (below = HoldDescendants(spawner)).size() == 1; });
    return below.size() == 1 ? std::move(below[0]) : TChildProcess();
}

}  // namespace

TEST_CASE("a held process is killed through its handle; once it has ended, a kill reports nothing done") {
    HeldProcesses held;
    const TChildProcess& first = held.Start("sleep " + ChildLifetime);
    REQUIRE(first.Running());
    CHECK(first.CreationTime() != 0);
    CHECK(first.Kill());
    CHECK(EndsWithin(first, 5000));
    CHECK_FALSE(first.Running());
    CHECK_FALSE(first.Kill());
    CHECK_FALSE(TChildProcess().Kill());
}

TEST_CASE("a tree is held from one snapshot, through a parent that has ended, and killed") {
    HeldProcesses held;
    const TChildProcess& spawner = held.Start("spawn " + ChildLifetime);
    const TChildProcess& outsider = held.Start("sleep " + ChildLifetime);
    const TChildProcess spawned = SpawnedBy(spawner);
    REQUIRE(spawned);

    CHECK(HoldInTree(spawner, spawned.Id()).Id() == spawned.Id());
    CHECK(HoldInTree(spawner, spawner.Id()).Id() == spawner.Id());
    CHECK_FALSE(HoldInTree(spawner, outsider.Id()));
    CHECK_FALSE(HoldInTree(spawner, TShellKit::GetSelfProcessId()));
    CHECK_FALSE(HoldInTree(TChildProcess(), spawned.Id()));

    // The spawner ends first; we still hold it, so its id still names it.
    spawner.Kill();
    REQUIRE(EndsWithin(spawner, 5000));
    const auto before = ProcessSnapshotsTaken();
    KillProcessTree(spawner);
    CHECK(ProcessSnapshotsTaken() - before == 1);
    CHECK(EndsWithin(spawned, 5000));
    CHECK(outsider.Running());
}

TEST_CASE("a look-up by path takes one snapshot however many processes run the file") {
    TempFolder temp;
    const std::string copy = temp / "many.exe";
    REQUIRE(CopyFileW(Widen(ChildExe()).c_str(), Widen(copy).c_str(), FALSE));
    std::vector<TChildProcess> started;
    for (int i = 0; i < 3; ++i) started.push_back(StartChildProcess(copy, "sleep " + ChildLifetime, SW_HIDE, ""));
    REQUIRE(WaitFor([&] { return TShellKit::FindProcessesByPath(copy).size() == 3; }));

    auto before = ProcessSnapshotsTaken();
    CHECK(TShellKit::FindProcessesByPath(copy).size() == 3);
    CHECK(ProcessSnapshotsTaken() - before == 1);
    before = ProcessSnapshotsTaken();
    const std::vector<TChildProcess> held = HoldProcessesByPath(copy);
    CHECK(ProcessSnapshotsTaken() - before == 1);
    REQUIRE(held.size() == 3);
    for (const TChildProcess& process : held) CHECK(process.Kill());
    for (const TChildProcess& process : started) CHECK(EndsWithin(process, 5000));
}

TEST_CASE("the first process of a file is given its time to end, then killed through its handle") {
    TempFolder temp;
    const std::string copy = temp / "first.exe";
    REQUIRE(CopyFileW(Widen(ChildExe()).c_str(), Widen(copy).c_str(), FALSE));
    const TChildProcess outsider = StartChildProcess(ChildExe(), "sleep " + ChildLifetime, SW_HIDE, "");

    SUBCASE("one that ends by itself within the wait is waited for, not killed") {
        const TChildProcess ending = StartChildProcess(copy, "sleep 1500", SW_HIDE, "");
        REQUIRE(WaitFor([&] { return TShellKit::FindProcessByPath(copy) == ending.Id(); }));
        CHECK(EndFirstProcessByPath(copy, 20000));
        CHECK_FALSE(ending.Running());
        // Its own sleep ran out: a kill would have come sooner after its start.
        FILETIME now{};
        GetSystemTimeAsFileTime(&now);
        const std::uint64_t ticks = (static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
        CHECK(ticks - ending.CreationTime() >= 1500 * 10000ull);
    }
    SUBCASE("one that outlives the wait is killed") {
        const TChildProcess staying = StartChildProcess(copy, "sleep " + ChildLifetime, SW_HIDE, "");
        REQUIRE(WaitFor([&] { return TShellKit::FindProcessByPath(copy) == staying.Id(); }));
        CHECK(EndFirstProcessByPath(copy, 0));
        CHECK(EndsWithin(staying, 5000));
    }
    CHECK_FALSE(EndFirstProcessByPath(copy, 0));
    CHECK(outsider.Running());
    outsider.Kill();
}