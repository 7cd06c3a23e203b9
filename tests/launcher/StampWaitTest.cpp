// The stamping modes' wait for their target: a target another process holds
// is waited for until it lets go, but not for ever; one that cannot be written
// at all ends the mode at once with its error.
#include <doctest/doctest.h>

#include <aclapi.h>

#include "ModeRun.h"
#include "StampFiles.h"
#include "util/Utf.h"

namespace {

using namespace std::chrono_literals;

const std::string Vadrome = WinPath(VADROME_EXE);

// Reading allowed, writing denied to everyone else: the file is in use.
UniqueHandle HoldOpen(const std::string& file) {
    return UniqueHandle(CreateFileW(Widen(file).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool RunsUnderWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

// Starts the host's own program, for what Wine cannot do through the Windows
// API. Wine hands back no handle to wait on: callers wait for the effect.
void StartHostCommand(const std::string& line) {
    std::wstring command = Widen(line);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return;
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
}

std::string HostPath(const std::string& file) {
    using TToUnix = char*(CDECL*)(LPCWSTR);
    auto toUnix = reinterpret_cast<TToUnix>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* path = toUnix ? toUnix(Widen(file).c_str()) : nullptr;
    const std::string result = path ? path : "";
    if (path) HeapFree(GetProcessHeap(), 0, path);
    return result;
}

// A file that nobody may open for writing, an administrator included, as on
// a write-protected medium or under an ACL. Windows takes a deny entry in the
// file's ACL; Wine does not enforce ACLs, so there the host marks the file
// immutable.
class TUnwritableFile {
public:
    explicit TUnwritableFile(const std::string& path) : path_(path) {
        if (RunsUnderWine())
            StartHostCommand("Z:\\bin\\chattr +i " + Quoted(HostPath(path_)));
        else
            DenyWriting();
    }
    ~TUnwritableFile() {
        if (!RunsUnderWine()) return;
        StartHostCommand("Z:\\bin\\chattr -i " + Quoted(HostPath(path_)));
        WaitFor([&] { return OpenForWriting() || GetLastError() != ERROR_ACCESS_DENIED; });
    }
    TUnwritableFile(const TUnwritableFile&) = delete;
    TUnwritableFile& operator=(const TUnwritableFile&) = delete;

    // Opening for writing fails, and not because the file is in use.
    bool Refused() const {
        return WaitFor([&] { return !OpenForWriting() && GetLastError() == ERROR_ACCESS_DENIED; });
    }

private:
    bool OpenForWriting() const {
        return static_cast<bool>(UniqueHandle(CreateFileW(Widen(path_).c_str(), GENERIC_WRITE,
                                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                                          FILE_ATTRIBUTE_NORMAL, nullptr)));
    }

    void DenyWriting() const {
        const std::wstring path = Widen(path_);
        PACL old = nullptr;
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &old,
                                  nullptr, &descriptor) != ERROR_SUCCESS)
            return;
        EXPLICIT_ACCESSW deny{};
        wchar_t everyone[] = L"EVERYONE";
        BuildExplicitAccessWithNameW(&deny, everyone, FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_ATTRIBUTES,
                                     DENY_ACCESS, NO_INHERITANCE);
        PACL acl = nullptr;
        if (SetEntriesInAclW(1, &deny, old, &acl) == ERROR_SUCCESS) {
            SetNamedSecurityInfoW(const_cast<wchar_t*>(path.c_str()), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                  nullptr, nullptr, acl, nullptr);
            LocalFree(acl);
        }
        LocalFree(descriptor);
    }

    std::string path_;
};

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST_CASE("a target another process holds open is stamped once that process lets go") {
    TTestFolder folder;
    const std::string target = CopyTo(folder / "target.exe", STAMP_TARGET_EN_US);
    const std::string config = folder / "Config.ini";
    WriteBytes(config, "[INI]\r\nport=8080");
    UniqueHandle holder = HoldOpen(target);
    REQUIRE(holder);

    UniqueHandle child = Start(Vadrome, "/config " + Quoted(target) + " " + Quoted(config));
    // Neither written around our handle nor given up: still waiting.
    CHECK(WaitForSingleObject(child.Get(), 3000) == WAIT_TIMEOUT);
    holder.Reset();
    REQUIRE(WaitForSingleObject(child.Get(), 60000) == WAIT_OBJECT_0);
    DWORD exitCode = STILL_ACTIVE;
    GetExitCodeProcess(child.Get(), &exitCode);
    CHECK(exitCode == 0);
    CHECK(ResourceBytes(target, RT_RCDATA, L"RES_CONFIG_INI", 0) == "[INI]\r\nport=8080");
}

TEST_CASE("a target held open past the limit ends the stamp with its error box and exit code 1") {
    TTestFolder folder;
    const std::string target = CopyTo(folder / "target.exe", STAMP_TARGET_EN_US);
    const std::string before = ReadBytes(target);
    WriteBytes(folder / "splash.png", "png bytes");
    UniqueHandle holder = HoldOpen(target);
    REQUIRE(holder);

    const TRun run = Run(Vadrome, "/splash " + Quoted(target) + " " + Quoted(folder / "splash.png"));
    CHECK(run.exitCode == 1);
    CHECK(run.took >= 30s);
    CHECK(run.boxText.rfind("Application Error\n", 0) == 0);
    CHECK(Contains(run.boxText, "EFileError"));
    CHECK(Contains(run.boxText, "is still in use after 30 seconds"));
    holder.Reset();
    CHECK(ReadBytes(target) == before);
}

TEST_CASE("a target that cannot be written ends each stamping mode at once with its error box") {
    TTestFolder folder;
    const std::string target = CopyTo(folder / "target.exe", STAMP_TARGET_EN_US);
    const std::string before = ReadBytes(target);
    WriteBytes(folder / "source", "");
    WriteBytes(folder / "icon.ico", IconFileOf({{16, "image"}}));
    std::string mode, source = folder / "source";
    SUBCASE("/config") { mode = "/config"; }
    SUBCASE("/splash") { mode = "/splash"; }
    SUBCASE("/icon") { mode = "/icon", source = folder / "icon.ico"; }
    TUnwritableFile unwritable(target);
    REQUIRE(unwritable.Refused());

    const TRun run = Run(Vadrome, mode + " " + Quoted(target) + " " + Quoted(source));
    CHECK(run.exitCode == 1);
    // Well short of the limit for a target in use.
    CHECK(run.took < 20s);
    CHECK(run.boxText.rfind("Application Error\n", 0) == 0);
    CHECK(Contains(run.boxText, "Cannot write file \"" + target + "\". "));
    CHECK(ReadBytes(target) == before);
}

TEST_CASE("\"/setup\" on a target that cannot be written reports it and still starts the target") {
    TTestFolder folder;
    const std::string target = CopyTo(folder / "target.exe", STAMP_TARGET_EN_US);
    const std::string before = ReadBytes(target);
    WriteBytes(folder / "Config.ini", "[INI]\r\nport=8080");
    TRunningTarget running(target);
    TUnwritableFile unwritable(target);
    REQUIRE(unwritable.Refused());

    const TRun run = Run(Vadrome, "/setup " + Quoted(target) + " " + Quoted(folder / "Config.ini"));
    CHECK(run.exitCode == 1);
    CHECK(run.took < 20s);
    // One box, the wait's own: no stamping child ran to fail again.
    CHECK(run.boxText.rfind("Application Error\n", 0) == 0);
    CHECK(run.boxText.find("Application Error", 1) == std::string::npos);
    CHECK(Contains(run.boxText, "Cannot write file"));
    // The runner that quit for the change comes back as it was.
    CHECK(running.Started());
    CHECK(ReadBytes(target) == before);
}
