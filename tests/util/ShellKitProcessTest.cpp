#include <doctest/doctest.h>

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "util/ShellKit.h"
#include "tools/TempFolder.h"
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

    TempFolder temp;
    CHECK(TShellKit::StartProcess(temp / "missing.exe", "", SW_HIDE, "") == 0);
    const auto before = std::chrono::steady_clock::now();
    TShellKit::RunAndWait(temp / "missing.exe", "", SW_HIDE, "");
    CHECK(std::chrono::steady_clock::now() - before < std::chrono::seconds(5));
}

TEST_CASE("privileges are enabled by name") {
    CHECK(TShellKit::EnablePrivilege("SeDebugPrivilege"));
    CHECK_FALSE(TShellKit::EnablePrivilege("SeNoSuchPrivilege"));
}
