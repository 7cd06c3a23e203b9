#include "ModeRun.h"

#include "tools/WindowSearch.h"
#include "util/ShellKit.h"
#include "util/Utf.h"

namespace {

// Closes the child's message box and returns its caption and text. A box is
// taken only once shown: until then its text may not be filled in.
std::string DismissBox(DWORD child) {
    HWND box = FindVisibleWindowOf(child, L"#32770");
    if (!box) return "";
    wchar_t caption[256] = L"";
    GetWindowTextW(box, caption, 256);
    const std::string text = Narrow(caption) + "\n" + DialogText(box);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    return text;
}

}  // namespace

UniqueHandle Start(const std::string& exe, const std::string& params) {
    std::wstring line = L"\"" + Widen(exe) + L"\" " + Widen(params);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return {};
    CloseHandle(info.hThread);
    return UniqueHandle(info.hProcess);
}

TRun Run(const std::string& exe, const std::string& params) {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    UniqueHandle process = Start(exe, params);
    TRun run;
    const int id = static_cast<int>(GetProcessId(process.Get()));
    while (WaitForSingleObject(process.Get(), 100) == WAIT_TIMEOUT && Clock::now() < start + std::chrono::minutes(1))
        for (int other : TShellKit::ListProcessIds())  // its children's boxes too
            if (other == id || TShellKit::IsDescendantProcess(id, other)) run.boxText += DismissBox(other);
    GetExitCodeProcess(process.Get(), &run.exitCode);
    // One that never ends must not outlive the test (it holds the test's output open).
    if (run.exitCode == STILL_ACTIVE) TerminateProcess(process.Get(), 1);
    run.took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    return run;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }
