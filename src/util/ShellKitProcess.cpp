// TShellKit: finding, starting and stopping processes.
#include <windows.h>
#include <psapi.h>

#include <set>

#include "util/ChildProcess.h"
#include "util/Handles.h"
#include "util/ShellKit.h"
#include "util/Utf.h"

namespace {

int ParentIn(const std::vector<TSnapshotEntry>& entries, int id) {
    for (const TSnapshotEntry& entry : entries)
        if (entry.Id == id) return entry.ParentId;
    return 0;
}

// Lower-cased short form: the identity of a file across long names, short
// names and letter case. Empty when the path has no short form.
std::wstring PathIdentity(const std::string& path) {
    std::wstring identity = Widen(TShellKit::GetShortPath(path));
    if (!identity.empty()) CharLowerBuffW(identity.data(), static_cast<DWORD>(identity.size()));
    return identity;
}

// The file of the process's first module; empty when it cannot be read.
std::string ImagePathOf(HANDLE process) {
    HMODULE firstModule = nullptr;
    DWORD needed = 0;
    if (!EnumProcessModules(process, &firstModule, sizeof(firstModule), &needed)) return {};
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD size = static_cast<DWORD>(path.size());
        const DWORD length = GetModuleFileNameExW(process, firstModule, path.data(), size);
        // A full buffer may hold a cut name.
        if (length + 1 < size || size >= 32768) {
            path.resize(length);
            return Narrow(path);
        }
        path.resize(size * 2);
    }
}

std::wstring FileNameOf(const std::wstring& path) { return path.substr(path.find_last_of(L"\\/") + 1); }

bool SameFileName(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

// A process can run the file only when its image has the file's name, in the
// long or the short form it was started by; the others are never opened.
struct TImageNames {
    std::wstring Long, Short;
    bool Match(const std::wstring& exeName) const { return SameFileName(exeName, Long) || SameFileName(exeName, Short); }
};

TImageNames ImageNamesOf(const std::string& fullPath, const std::wstring& identity) {
    const std::wstring path = Widen(fullPath);
    std::wstring longPath(MAX_PATH, L'\0');
    DWORD length = GetLongPathNameW(path.c_str(), longPath.data(), MAX_PATH);
    if (length >= MAX_PATH) {
        longPath.resize(length);
        length = GetLongPathNameW(path.c_str(), longPath.data(), length);
    }
    longPath.resize(length < longPath.size() ? length : 0);
    return {FileNameOf(longPath.empty() ? path : longPath), FileNameOf(identity)};
}

// The processes that run the file, in snapshot order, each held with the
// handle its image was read through; one snapshot. Stops after the first when asked.
std::vector<TChildProcess> ProcessesRunning(const std::string& file, bool firstOnly, DWORD extraAccess) {
    std::vector<TChildProcess> found;
    if (!TShellKit::FileExists(file)) return found;
    const std::string fullPath = TShellKit::ExpandAppRelative(file);
    const std::wstring target = PathIdentity(fullPath);
    if (target.empty()) return found;
    const TImageNames names = ImageNamesOf(fullPath, target);
    // No debug privilege: with it an elevated runner would open, and its
    // clean-up end, the servers of every other user's runner.
    for (const TSnapshotEntry& entry : TakeProcessSnapshot()) {
        if (!names.Match(entry.ExeName)) continue;
        TChildProcess process = HoldProcess(entry.Id, PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | extraAccess);
        if (!process || PathIdentity(ImagePathOf(process.Handle())) != target) continue;
        found.push_back(std::move(process));
        if (firstOnly) break;
    }
    return found;
}

std::vector<int> IdsOf(const std::vector<TChildProcess>& processes) {
    std::vector<int> ids;
    for (const TChildProcess& process : processes) ids.push_back(process.Id());
    return ids;
}

// The child gets none of our handles, so our standard handles and the C
// runtime's inherited-file data would name nothing valid in it.
STARTUPINFOW ChildStartupInfo(int showCommand) {
    STARTUPINFOW info{};
    info.cb = sizeof(info);
    GetStartupInfoW(&info);
    info.dwFlags &= ~STARTF_USESTDHANDLES;
    info.hStdInput = info.hStdOutput = info.hStdError = nullptr;
    info.cbReserved2 = 0;
    info.lpReserved2 = nullptr;
    info.dwFlags |= STARTF_USESHOWWINDOW;
    info.wShowWindow = static_cast<WORD>(showCommand);
    return info;
}

TChildProcess Launch(const std::string& exe, const std::string& params, int showCommand, const std::string& workDir,
                     HANDLE job) {
    std::string unquoted = exe;
    std::erase(unquoted, '"');
    std::wstring commandLine = Widen("\"" + unquoted + "\" " + params);
    const std::wstring folder = Widen(workDir);
    const bool useFolder = TShellKit::DirectoryExists(workDir);
    STARTUPINFOW startup = ChildStartupInfo(showCommand);
    PROCESS_INFORMATION info{};
    const DWORD flags = NORMAL_PRIORITY_CLASS | (job ? CREATE_SUSPENDED : 0);
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, flags, nullptr,
                        useFolder ? folder.c_str() : nullptr, &startup, &info))
        return {};
    UniqueHandle thread(info.hThread);
    TChildProcess started(UniqueHandle(info.hProcess), static_cast<int>(info.dwProcessId));
    if (job) {
        AssignProcessToJobObject(job, started.Handle());
        ResumeThread(thread.Get());
    }
    return started;
}

// The thread's messages are handled until the process ends, so its windows
// keep answering: the system would offer to end a window that does not.
void WaitServingMessages(HANDLE process) {
    while (MsgWaitForMultipleObjectsEx(1, &process, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE) == WAIT_OBJECT_0 + 1) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {  // the loop further out ends; nothing is left to serve
                PostQuitMessage(static_cast<int>(msg.wParam));
                WaitForSingleObject(process, INFINITE);
                return;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

}  // namespace

int TShellKit::GetSelfProcessId() { return static_cast<int>(GetCurrentProcessId()); }

std::vector<int> TShellKit::ListProcessIds() {
    std::vector<int> ids;
    for (const TSnapshotEntry& entry : TakeProcessSnapshot()) ids.push_back(entry.Id);
    return ids;
}

bool TShellKit::ProcessExists(int id) {
    if (id < 0) return false;
    for (const TSnapshotEntry& entry : TakeProcessSnapshot())
        if (entry.Id == id) return true;
    return false;
}

int TShellKit::GetParentProcessId(int id) { return ParentIn(TakeProcessSnapshot(), id); }

// One snapshot for the whole walk. Parent ids can be stale (a dead parent's id
// reused by a newer process), so the chain may loop: an id seen twice ends it.
bool TShellKit::IsDescendantProcess(int ancestor, int id) {
    if (ancestor <= 0) return false;
    const std::vector<TSnapshotEntry> entries = TakeProcessSnapshot();
    std::set<int> seen{id};
    for (;;) {
        id = ParentIn(entries, id);
        if (id == ancestor) return true;
        if (id == 0 || !seen.insert(id).second) return false;
    }
}

std::string TShellKit::GetProcessImagePath(int id) {
    if (!ProcessExists(id)) return {};
    const TChildProcess process = HoldProcess(id, PROCESS_QUERY_INFORMATION | PROCESS_VM_READ);
    return process ? ImagePathOf(process.Handle()) : std::string();
}

int TShellKit::FindProcessByPath(const std::string& file) {
    const std::vector<TChildProcess> found = ProcessesRunning(file, true, 0);
    return found.empty() ? 0 : found.front().Id();
}

std::vector<int> TShellKit::FindProcessesByPath(const std::string& file) {
    return IdsOf(ProcessesRunning(file, false, 0));
}

std::vector<TChildProcess> HoldProcessesByPath(const std::string& file) {
    return ProcessesRunning(file, false, SYNCHRONIZE | PROCESS_TERMINATE);
}

bool EndFirstProcessByPath(const std::string& file, unsigned waitMs) {
    const std::vector<TChildProcess> found = ProcessesRunning(file, true, SYNCHRONIZE | PROCESS_TERMINATE);
    if (found.empty()) return false;
    const TChildProcess& process = found.front();
    if (WaitForSingleObject(process.Handle(), waitMs) == WAIT_TIMEOUT) process.Kill();
    return true;
}

bool TShellKit::KillProcess(int id) {
    if (id == 0) return false;
    const TChildProcess process = HoldProcess(id, PROCESS_TERMINATE);
    return process && TerminateProcess(process.Handle(), 0);
}

bool TShellKit::KillSelf() { return KillProcess(GetSelfProcessId()); }

// AdjustTokenPrivileges succeeds even when the token lacks the privilege;
// only the last error tells.
bool TShellKit::EnablePrivilege(const std::string& name) {
    HANDLE rawToken = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &rawToken)) return false;
    UniqueHandle token(rawToken);
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!LookupPrivilegeValueW(nullptr, Widen(name).c_str(), &privileges.Privileges[0].Luid)) return false;
    if (!AdjustTokenPrivileges(token.Get(), FALSE, &privileges, 0, nullptr, nullptr)) return false;
    return GetLastError() == ERROR_SUCCESS;
}

void TShellKit::RunAndWait(const std::string& exe, const std::string& params, int showCommand,
                           const std::string& workDir) {
    RunAndWaitForExitCode(exe, params, showCommand, workDir);
}

std::optional<unsigned long> RunAndWaitForExitCode(const std::string& exe, const std::string& params, int showCommand,
                                                   const std::string& workDir) {
    const TChildProcess started = Launch(exe, params, showCommand, workDir, nullptr);
    if (!started) return std::nullopt;
    WaitServingMessages(started.Handle());
    DWORD code = 0;
    GetExitCodeProcess(started.Handle(), &code);
    return code;
}

int TShellKit::StartProcess(const std::string& exe, const std::string& params, int showCommand,
                            const std::string& workDir) {
    return Launch(exe, params, showCommand, workDir, nullptr).Id();
}

TChildProcess StartChildProcess(const std::string& exe, const std::string& params, int showCommand,
                                const std::string& workDir, HANDLE job) {
    return Launch(exe, params, showCommand, workDir, job);
}
