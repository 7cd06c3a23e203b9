// TShellKit: finding, starting and stopping processes.
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <set>

#include "util/Handles.h"
#include "util/ShellKit.h"
#include "util/Utf.h"

namespace {

struct ProcessEntry {
    int id;
    int parentId;
};

// A fresh snapshot in the platform's order; empty when none can be taken.
std::vector<ProcessEntry> TakeSnapshot() {
    std::vector<ProcessEntry> entries;
    UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return entries;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more; more = Process32NextW(snapshot.Get(), &entry))
        entries.push_back({static_cast<int>(entry.th32ProcessID), static_cast<int>(entry.th32ParentProcessID)});
    return entries;
}

int ParentIn(const std::vector<ProcessEntry>& entries, int id) {
    for (const ProcessEntry& entry : entries)
        if (entry.id == id) return entry.parentId;
    return 0;
}

// Lower-cased short form: the identity of a file across long names, short
// names and letter case. Empty when the path has no short form.
std::wstring PathIdentity(const std::string& path) {
    std::wstring identity = Widen(TShellKit::GetShortPath(path));
    if (!identity.empty()) CharLowerBuffW(identity.data(), static_cast<DWORD>(identity.size()));
    return identity;
}

// Ids of the processes that run the file, in snapshot order; stops after the first when asked.
std::vector<int> ProcessesRunning(const std::string& file, bool firstOnly) {
    std::vector<int> ids;
    if (!TShellKit::FileExists(file)) return ids;
    const std::wstring target = PathIdentity(TShellKit::ExpandAppRelative(file));
    if (target.empty()) return ids;
    for (const ProcessEntry& entry : TakeSnapshot()) {
        if (PathIdentity(TShellKit::GetProcessImagePath(entry.id)) != target) continue;
        ids.push_back(entry.id);
        if (firstOnly) break;
    }
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
    info.wShowWindow = static_cast<WORD>(showCommand);
    return info;
}

struct StartedProcess {
    UniqueHandle process;
    int id = 0;
};

StartedProcess Launch(const std::string& exe, const std::string& params, int showCommand,
                      const std::string& workDir) {
    std::string unquoted = exe;
    std::erase(unquoted, '"');
    std::wstring commandLine = Widen("\"" + unquoted + "\" " + params);
    const std::wstring folder = Widen(workDir);
    const bool useFolder = TShellKit::DirectoryExists(workDir);
    STARTUPINFOW startup = ChildStartupInfo(showCommand);
    PROCESS_INFORMATION info{};
    StartedProcess started;
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr,
                        useFolder ? folder.c_str() : nullptr, &startup, &info))
        return started;
    CloseHandle(info.hThread);
    started.process.Reset(info.hProcess);
    started.id = static_cast<int>(info.dwProcessId);
    return started;
}

}  // namespace

int TShellKit::GetSelfProcessId() { return static_cast<int>(GetCurrentProcessId()); }

std::vector<int> TShellKit::ListProcessIds() {
    std::vector<int> ids;
    for (const ProcessEntry& entry : TakeSnapshot()) ids.push_back(entry.id);
    return ids;
}

bool TShellKit::ProcessExists(int id) {
    if (id < 0) return false;
    for (const ProcessEntry& entry : TakeSnapshot())
        if (entry.id == id) return true;
    return false;
}

int TShellKit::GetParentProcessId(int id) { return ParentIn(TakeSnapshot(), id); }

// One snapshot for the whole walk. Parent ids can be stale (a dead parent's id
// reused by a newer process), so the chain may loop: an id seen twice ends it.
bool TShellKit::IsDescendantProcess(int ancestor, int id) {
    if (ancestor <= 0) return false;
    const std::vector<ProcessEntry> entries = TakeSnapshot();
    std::set<int> seen{id};
    for (;;) {
        id = ParentIn(entries, id);
        if (id == ancestor) return true;
        if (id == 0 || !seen.insert(id).second) return false;
    }
}

std::string TShellKit::GetProcessImagePath(int id) {
    if (!ProcessExists(id)) return {};
    EnablePrivilege("SeDebugPrivilege");
    UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, static_cast<DWORD>(id)));
    if (!process) return {};
    HMODULE firstModule = nullptr;
    DWORD needed = 0;
    if (!EnumProcessModules(process.Get(), &firstModule, sizeof(firstModule), &needed)) return {};
    std::wstring path(32768, L'\0');
    const DWORD length =
        GetModuleFileNameExW(process.Get(), firstModule, path.data(), static_cast<DWORD>(path.size()));
    path.resize(length);
    return Narrow(path);
}

int TShellKit::FindProcessByPath(const std::string& file) {
    const std::vector<int> ids = ProcessesRunning(file, true);
    return ids.empty() ? 0 : ids.front();
}

std::vector<int> TShellKit::FindProcessesByPath(const std::string& file) { return ProcessesRunning(file, false); }

bool TShellKit::KillProcess(int id) {
    if (id == 0) return false;
    EnablePrivilege("SeDebugPrivilege");
    UniqueHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(id)));
    if (!process) return false;
    return TerminateProcess(process.Get(), 0) != FALSE;
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
    const StartedProcess started = Launch(exe, params, showCommand, workDir);
    if (started.process) WaitForSingleObject(started.process.Get(), INFINITE);
}

int TShellKit::StartProcess(const std::string& exe, const std::string& params, int showCommand,
                            const std::string& workDir) {
    return Launch(exe, params, showCommand, workDir).id;
}
