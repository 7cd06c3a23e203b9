// The bin folder, the environment every child inherits, and the database and
// web servers started as hidden children on free ports.
#include <windows.h>

#include "server/Runner.h"
#include "server/ServerPaths.h"
#include "server/ServerText.h"
#include "util/Errors.h"
#include "util/Guard.h"
#include "util/ShellKit.h"
#include "util/Timeline.h"

namespace {

// Short 8.3 form of a file beside the servers; empty when the file is missing.
std::string ShortPathInBin(const std::string& binDir, const std::string& name) {
    return TShellKit::GetShortPath(TShellKit::ExpandAppRelative(binDir + "\\apache\\" + name));
}

}  // namespace

std::string TRunner::ResolveBinDir() {
    std::string bin = TShellKit::GetAppPath() + "bin";
    if (RunsFromCdRom()) Guarded([&] { bin = CopyToWorkDir(bin, WorkDir, "bin"); });
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
    KillProcessesByPath(MySqlExePath);
    const int port = TShellKit::FindFreePort(DatabaseFirstPort, true);
    if (port < 0) return;  // no port: run without a database server rather than on -1
    MySqlPort = port;
    MyIniPath = WriteMyIni();
    MySqlProcess = StartInJob(
        ServerPath(MySqlExePath),
        MySqlParameters(ServerPath(MyIniPath), MySqlPort, ServerPath(BinDir + "\\mysql\\share\\english")),
        SW_HIDE);
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
    KillProcessesByPath(ApacheExePath);
    ApacheProcess = StartInJob(ServerPath(ApacheExePath), ApacheParameters(ServerPath(HttpdConfPath)), SW_HIDE);
    webServerStartedAt_ = GetTickCount64();
    TimelineMark("web-server-started");
}

// Up means two processes (the server and its child). One that stays single
// past the limit is taken as it is, so start-up never hangs on it. The first
// look comes 330 ms after the server's start, however much of that the
// window's build took; the rest are 330 ms apart.
void TRunner::WaitForWebServer() {
    const ULONGLONG deadline = webServerStartedAt_ + WebServerWaitLimitMs;
    const ULONGLONG firstLook = webServerStartedAt_ + 330, now = GetTickCount64();
    unsigned pause = firstLook > now ? static_cast<unsigned>(firstLook - now) : 0;
    while (ApacheProcess.Running()) {
        TShellKit::ProcessMessagesAndSleep(pause);
        pause = 330;
        const bool up = TShellKit::FindProcessesByPath(ApacheExePath).size() >= 2;
        if (up || GetTickCount64() >= deadline) {
            ApacheProcesses = HoldProcessesByPath(ApacheExePath);
            break;
        }
    }
    TimelineMark("web-server-up");
}
