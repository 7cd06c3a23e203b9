// The environment every child inherits, and the database and web servers
// started as children on free loopback ports.
#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

#include "server/ServerText.h"
#include "server/linux/Runner.h"
#include "util/Errors.h"
#include "util/Guard.h"
#include "util/Text.h"
#include "util/linux/Clock.h"
#include "util/linux/Files.h"
#include "util/linux/Net.h"
#include "util/linux/Processes.h"

namespace {

constexpr unsigned PortPollMs = 10;
constexpr unsigned ConnectLimitMs = 200;
constexpr int PortMovesLimit = 3;

std::string FileInBinOrEmpty(const std::string& binDir, const std::string& name) {
    const std::string path = binDir + "/apache/" + name;
    return LinuxFiles::FileExists(path) ? path : "";
}

bool HasArgument(const TArguments& arguments, const std::string& wanted) {
    for (const std::string& argument : arguments)
        if (argument == wanted) return true;
    return false;
}

}  // namespace

std::string TRunner::ResolveBinDir() { return AppDir + "/bin"; }

// Looked at before anything starts: without a web server there is no site.
void TRunner::CheckWebServerProgram() {
    ApacheExePath = BinDir + "/apache/httpd";
    ApacheLogPath = WorkDir + "/httpd.log";
    if (!LinuxFiles::FileExists(ApacheExePath))
        throw Exception("The web server program " + ApacheExePath + " is missing");
}

void TRunner::SetEnvironmentFirst() {
    ::setenv("PHPRC", WorkDir.c_str(), 1);
    ::setenv("SERVER_FILENAME", LinuxFiles::ExeFileName().c_str(), 1);
    ::setenv("SERVER_FILEVERSION", ServerFileVersion, 1);
    // Set before Config.ini is read: never the configured title.
    ::setenv("SERVER_APPNAME", BuiltInProductName, 1);
}

void TRunner::SetEnvironmentSecond() {
    ::setenv("PHP_EXE", FileInBinOrEmpty(BinDir, "php").c_str(), 1);
    ::setenv("OPENSSL_CONF", FileInBinOrEmpty(BinDir, "openssl.cnf").c_str(), 1);
    ::setenv("SSLEAY_CONF", FileInBinOrEmpty(BinDir, "openssl.cnf").c_str(), 1);
}

// Called with the lock held: servers of this work folder that still run
// belong to a runner that is gone, and so do the pid files. As root, also
// the web server's children of another user that lost their parent. Apache refuses
// to start, silently and with exit code 0, while its pid file names a live
// process, whichever process that is.
void TRunner::EndLeftovers() {
    const std::string httpdConf = WorkDir + "/httpd.conf";
    const std::string myIniArgument = "--defaults-file=" + WorkDir + "/my.ini";
    EndHeldProcesses(HoldProcessesWhere([&](const TArguments& arguments) {
                         return HasArgument(arguments, httpdConf) || HasArgument(arguments, myIniArgument);
                     }, ::geteuid() == 0),
                     ServerStopWaitLimitMs);
    const std::unique_ptr<DIR, int (*)(DIR*)> folder(::opendir(WorkDir.c_str()), ::closedir);
    if (!folder) return;
    while (const dirent* entry = ::readdir(folder.get())) {
        const std::string name = entry->d_name;
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".pid") == 0)
            Guarded([&] { LinuxFiles::RemoveFile(WorkDir + "/" + name); });
    }
}

void TRunner::StartDatabaseServer(int firstPort) {
    MySqlExePath = BinDir + "/mysql/bin/mysqld";
    if (!LinuxFiles::FileExists(MySqlExePath) || !LinuxFiles::DirectoryExists(AppDir + "/data/mysql")) return;
    const int port = LinuxNet::FindFreePort(firstPort, true);
    if (port < 0) return;  // no port: run without a database server rather than on -1
    MySqlPort = port;
    MyIniPath = WriteMyIni();
    MySqlLogPath = WorkDir + "/mysqld.log";
    TSpawnOptions options;
    options.Arguments = {MySqlExePath};
    for (const std::string& argument : MySqlArguments(MyIniPath, MySqlPort, BinDir + "/mysql/share/english"))
        // The server refuses to run as root without it, and warns about it otherwise.
        if (argument != "--user=root" || ::geteuid() == 0) options.Arguments.push_back(argument);
    options.OutputPath = MySqlLogPath;
    MySqlProcess = SpawnChild(options);
}

void TRunner::ChooseWebPort() {
    const int start = ParsePortSetting(ReadConfigValue("port"));
    WebPort = LinuxNet::FindFreePort(start, IsLoopbackOnly(ReadConfigValue("ip")));
    if (WebPort < 0)
        throw Exception("No port from " + std::to_string(start) + " to 65535 is free for the web server");
}

void TRunner::StartWebServer() {
    HttpdConfPath = WriteHttpdConf();
    TSpawnOptions options;
    options.Arguments = {ApacheExePath};
    for (const std::string& argument : ApacheArguments(HttpdConfPath)) options.Arguments.push_back(argument);
    options.Arguments.push_back("-DFOREGROUND");  // stays our child, so we see it end
    options.OutputPath = ApacheLogPath;
    ApacheProcess = SpawnChild(options);
    webServerStartedAt_ = MonotonicMs();
}

// The database server binds its port only after its storage is up, a long
// time in which another program may take that port. Then it ends, and is
// started again on the next free port; the web server rereads php.ini with
// the new port through its graceful restart.
bool TRunner::MovedDatabaseServer() {
    if (MySqlProcess.Running() || LinuxNet::CanListen(MySqlPort, true)) return false;
    StartDatabaseServer(MySqlPort + 1);
    WritePhpIni();
    if (ApacheProcess) ::kill(ApacheProcess.Id(), SIGUSR1);
    return true;
}

bool TRunner::IsServerUp(TChildProcess& server, int port) {
    return LinuxNet::ProcessListensOn(server.Id(), port) && LinuxNet::AcceptsConnection(port, ConnectLimitMs);
}

void TRunner::CheckServerAlive(TChildProcess& server, const std::string& name, const std::string& log) {
    if (!server || server.Running()) return;
    const std::string how = server.ExitStatus() ? DescribeWaitStatus(*server.ExitStatus()) : "ended";
    throw Exception("The " + name + " " + how + " while starting up. Its log: " + log);
}

// Up once it listens on its port and the port accepts a connection: a port
// another program took in the meantime does not count. One that never is up
// within the limit is taken as it is, as on Windows; one that ends is a failure.
void TRunner::WaitForWebServer() {
    const long long deadline = webServerStartedAt_ + WebServerWaitLimitMs;
    for (;;) {
        CheckServerAlive(ApacheProcess, "web server", ApacheLogPath);
        if (IsServerUp(ApacheProcess, WebPort) || MonotonicMs() >= deadline) return;
        ProcessMessagesAndSleep(PortPollMs);
    }
}

// The home page may use the database at once, so the first navigation waits
// for it too, with the window and splash kept alive meanwhile.
void TRunner::WaitForDatabaseServer() {
    if (!MySqlProcess) return;
    const long long deadline = MonotonicMs() + DatabaseWaitLimitMs;
    for (int moves = 0;;) {
        if (moves < PortMovesLimit && MovedDatabaseServer()) ++moves;
        CheckServerAlive(MySqlProcess, "database server", MySqlLogPath);
        CheckServerAlive(ApacheProcess, "web server", ApacheLogPath);
        if (IsServerUp(MySqlProcess, MySqlPort) || MonotonicMs() >= deadline) return;
        ProcessMessagesAndSleep(PortPollMs);
    }
}
