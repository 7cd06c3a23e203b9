// The bin folder, the environment every child inherits, and the database and
// web servers started as hidden children on free ports.
#include <windows.h>

#include "server/Runner.h"
#include "server/ServerPaths.h"
#include "server/ServerText.h"
#include "util/Errors.h"
#include "util/Guard.h"
#include "util/ShellKit.h"
#include "util/Text.h"
#include "util/Timeline.h"
#include "util/Utf.h"

namespace {

constexpr unsigned ServerLookPauseMs = 330;
constexpr unsigned ConnectLookMs = 100;  // loopback answers at once; Windows retries a refused one for seconds

// Short 8.3 form of a file beside the servers; empty when the file is missing.
std::string ShortPathInBin(const std::string& binDir, const std::string& name) {
    return TShellKit::GetShortPath(TShellKit::ExpandAppRelative(binDir + "\\apache\\" + name));
}

}  // namespace

std::string TRunner::ResolveBinDir() {
    std::string bin = TShellKit::GetAppPath() + "bin";
    if (RunsFromCdRom()) Guarded([&] { bin = CopyFromDisc("bin"); });
    return bin;
}

// Set before start-up can fail: a folder without a form the servers can read
// is refused later, by CheckServerFolders.
void TRunner::SetEnvironmentFirst() {
    TShellKit::SetPhpRcEnv(ServerPathOrSelf(WorkDir));
    TShellKit::SetLanguageEnv();
    TShellKit::SetEnv("SERVER_FILENAME", ServerPathOrSelf(TShellKit::GetExeFileName()));
    TShellKit::SetEnv("SERVER_FILEVERSION", ServerFileVersion);
    // Set before Config.ini is read: never the configured title.
    TShellKit::SetEnv("SERVER_APPNAME", BuiltInProductName);
}

void TRunner::SetEnvironmentSecond() {
    TShellKit::SetEnv("PHP_EXE", ShortPathInBin(BinDir, "php.exe"));
    TShellKit::SetEnv("OPENSSL_CONF", ShortPathInBin(BinDir, "openssl.cnf"));
    TShellKit::SetEnv("SSLEAY_CONF", ShortPathInBin(BinDir, "openssl.cnf"));
}

// Every path the servers get lies in the application folder or the work folder.
void TRunner::CheckServerFolders() {
    ServerPath(TShellKit::GetAppDir());
    ServerPath(WorkDir);
}

namespace {

// A server no live process answers for: its starter has ended (a runner that
// died with no job to end its servers), or is this runner, or is a server of
// the same file that is itself left over (the web server's child).
bool IsLeftover(const TChildProcess& server, const std::vector<TChildProcess>& servers, int depth = 0) {
    const std::optional<int> starter = LiveStarterOf(server);
    if (!starter || *starter == TShellKit::GetSelfProcessId()) return true;
    for (const TChildProcess& other : servers)
        if (other.Id() == *starter) return depth < 4 && IsLeftover(other, servers, depth + 1);
    return false;
}

}  // namespace

// Only leftovers: a server that another live process started (another
// runner, a console) keeps running, since a kill could take its data down mid-write.
void TRunner::KillLeftoversByPath(const std::string& path) {
    Guarded([&] {
        for (int pass = 0; pass < 2; ++pass) {
            if (pass > 0) Sleep(60);
            const std::vector<TChildProcess> servers = HoldProcessesByPath(path);
            for (const TChildProcess& server : servers)
                if (IsLeftover(server, servers)) server.Kill();
        }
    });
}

void TRunner::KillProcessesByPath(const std::string& path) {
    Guarded([&] {
        for (int pass = 0; pass < 2; ++pass) {
            if (pass > 0) Sleep(60);
            for (const TChildProcess& process : HoldProcessesByPath(path)) process.Kill();
        }
    });
}

// Created for the first process that needs it; without one (the system
// refuses, say inside a job that forbids it) the processes start all the same.
TChildProcess TRunner::StartInJob(const std::string& exe, const std::string& params, int showCommand) {
    if (!ChildJob) ChildJob = CreateKillOnCloseJob();
    return StartChildProcess(exe, params, showCommand, "", ChildJob.Get());
}

void TRunner::StartDatabaseServer() {
    MySqlExePath = BinDir + "\\mysql\\bin\\mysqld.exe";
    // The medium's own data\mysql decides, even when the data is copied.
    if (!TShellKit::FileExists(MySqlExePath) ||
        !TShellKit::DirectoryExists(TShellKit::GetAppPath() + "data\\mysql"))
        return;
    KillLeftoversByPath(MySqlExePath);
    const int port = TShellKit::FindFreePort(DatabaseFirstPort, true);
    if (port < 0) return;  // no port: run without a database server rather than on -1
    MySqlPort = port;
    MyIniPath = WriteMyIni();
    MySqlProcess = StartInJob(
        ServerPath(MySqlExePath),
        MySqlParameters(ServerPath(MyIniPath), MySqlPort, ServerPath(BinDir + "\\mysql\\share\\english")),
        SW_HIDE);
    databaseStartError_ = MySqlProcess ? 0 : GetLastError();
    databaseStartedAt_ = GetTickCount64();
}

void TRunner::ChooseWebPort() {
    const int start = ParsePortSetting(ReadConfigValue("port"));
    WebPort = TShellKit::FindFreePort(start, IsLoopbackOnly(ReadConfigValue("ip")));
    if (WebPort < 0)
        throw Exception("No port from " + std::to_string(start) + " to 65535 is free for the web server");
}

void TRunner::StartWebServer() {
    HttpdConfPath = WriteHttpdConf();
    ApacheExePath = BinDir + "\\Apache\\Apache.exe";
    KillLeftoversByPath(ApacheExePath);
    ApacheProcess = StartInJob(ServerPath(ApacheExePath), ApacheParameters(ServerPath(HttpdConfPath)), SW_HIDE);
    webServerStartError_ = ApacheProcess ? 0 : GetLastError();
    webServerStartedAt_ = GetTickCount64();
    TimelineMark("web-server-started");
}

// Looks at a starting server 330 ms apart, the first 330 ms after its start
// however much of that the window's build took, with messages handled between.
TServerLook TRunner::WaitForServer(const TChildProcess& server, unsigned long long startedAt, unsigned limitMs,
                                   const std::function<bool()>& isUp) {
    if (!server) return TServerLook::Ended;
    const ULONGLONG firstLook = startedAt + ServerLookPauseMs, now = GetTickCount64();
    unsigned pause = firstLook > now ? static_cast<unsigned>(firstLook - now) : 0;
    for (;;) {
        TShellKit::ProcessMessagesAndSleep(pause);
        pause = ServerLookPauseMs;
        const bool up = isUp();
        const TServerLook look = JudgeServerLook(server.Running(), up, GetTickCount64() - startedAt, limitMs);
        if (look != TServerLook::Waiting) return look;
    }
}

namespace {

// What a server the runner could not start, or that ended at start-up, tells the user.
std::string ServerFailure(const std::string& server, const std::string& program, const TChildProcess& process,
                          unsigned long startError, const std::string& errorLog) {
    if (!process) return ServerNotStartedText(server, program, LastErrorText(startError));
    DWORD code = 0;
    GetExitCodeProcess(process.Handle(), &code);
    return ServerEndedText(server, program, code, errorLog);
}

// Paths the servers read from their files come in the system's ANSI code page.
std::string FromServerFileText(const std::string& text) {
    if (IsAscii(text)) return text;
    const int length = MultiByteToWideChar(SystemAnsiCodePage(), 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(SystemAnsiCodePage(), 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return Narrow(wide);
}

std::string WithBackslashes(const std::string& path) { return ReplaceText(path, "/", "\\", false); }

std::string DnsHostName() {
    wchar_t name[256] = L"";
    DWORD length = 256;
    return GetComputerNameExW(ComputerNameDnsHostname, name, &length) ? Narrow(std::wstring_view(name, length))
                                                                      : std::string();
}

}  // namespace

std::string TRunner::WebServerErrorLogPath() {
    std::string conf;
    Guarded([&] { conf = FromServerFileText(TShellKit::ReadFileText(HttpdConfPath)); });
    return WithBackslashes(WebServerErrorLog(conf, BinDir + "\\Apache"));
}

// MySQL and MariaDB read "log-error" and "log_error" alike.
std::string TRunner::DatabaseErrorLogPath() {
    auto setting = [&](const char* key) { return TShellKit::ReadIniValue(MyIniPath, "mysqld", key); };
    std::string logError = setting("log-error");
    if (logError.empty()) logError = setting("log_error");
    return WithBackslashes(DatabaseErrorLog(logError, setting("datadir"), DnsHostName()));
}

// Up means two processes (the server and its child). One that stays single
// past the limit is taken as it is, so start-up never hangs on it; one that
// was never started or has ended stops start-up.
void TRunner::WaitForWebServer() {
    const TServerLook look = WaitForServer(ApacheProcess, webServerStartedAt_, WebServerWaitLimitMs, [&] {
        return TShellKit::FindProcessesByPath(ApacheExePath).size() >= 2;
    });
    if (look == TServerLook::Ended)
        throw Exception(ServerFailure("web server", ApacheExePath, ApacheProcess, webServerStartError_,
                                      WebServerErrorLogPath()));
    ApacheProcesses = HoldProcessesByPath(ApacheExePath);
    TimelineMark("web-server-up");
}

// The first page may need the database: it comes once the database server
// takes connections, or after the limit as before.
void TRunner::WaitForDatabaseServer() {
    if (MySqlPort == 0) return;  // the distribution has none
    const TServerLook look = WaitForServer(MySqlProcess, databaseStartedAt_, DatabaseWaitLimitMs,
                                           [&] { return TShellKit::AcceptsConnections(MySqlPort, ConnectLookMs); });
    if (look == TServerLook::Ended)
        throw Exception(ServerFailure("database server", MySqlExePath, MySqlProcess, databaseStartError_,
                                      DatabaseErrorLogPath()));
    TimelineMark(look == TServerLook::Up ? "database-up" : "database-wait-over");
}
