#include "RunnerFixture.h"

#include <doctest/doctest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tools/HeldProcessChecks.h"
#include "util/Errors.h"
#include "util/ShellKit.h"

namespace fs = std::filesystem;

std::string AppPath() { return TShellKit::GetAppPath(); }
std::string BinPath() { return AppPath() + "bin"; }
std::string FakeServerPath() { return AppPath() + "fake_server.exe"; }

std::string ReadText(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteText(const std::string& file, const std::string& text) {
    fs::create_directories(fs::path(file).parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

bool WaitUntilEnded(const TChildProcess& process) { return !process || EndsWithin(process, 5000); }

bool NoProcessRuns(const std::string& exe) {
    for (int i = 0; i < 40 && !TShellKit::FindProcessesByPath(exe).empty(); ++i) Sleep(50);
    return TShellKit::FindProcessesByPath(exe).empty();
}

std::vector<std::string> StopNotes(const std::string& exe) {
    std::istringstream lines(ReadText(exe.substr(0, exe.rfind('.')) + ".log"));
    std::vector<std::string> notes;
    for (std::string line; std::getline(lines, line);) {
        const size_t tab = line.find('\t');
        const std::string key =
            tab == std::string::npos ? "" : line.substr(tab + 1, line.find('\t', tab + 1) - tab - 1);
        if (key.starts_with("stop")) notes.push_back(key);
    }
    return notes;
}

void SetStopBehaviour(const std::string& exe, const std::string& settings) {
    WriteText(exe.substr(0, exe.rfind('.')) + ".ini", "[Standin]\r\n" + settings);
}

namespace {

void KillFakes() {
    for (const char* exe : {"bin\\Apache\\Apache.exe", "bin\\mysql\\bin\\mysqld.exe",
                            "bin\\browser.exe", "fake_server.exe"})
        TRunner::KillProcessesByPath(AppPath() + exe);
}

bool RemoveDistribution() {
    std::error_code error;
    for (const char* folder : {"bin", "www", "data"})
        if (fs::remove_all(AppPath() + folder, error), error) return false;
    return true;
}

const char HttpdTemplate[] =
    "Listen $IP$:$Port$\r\n"
    "DocumentRoot \"$docroot$\"\r\n"
    "ServerRoot \"$BINDIR$/apache\"\r\n"
    "PHPIniDir \"$PHPRC$\"\r\n"
    "# again: $ip$ $PORT$\r\n";

const char PhpTemplate[] =
    "mysql.default_port=$MYSQLPORT$\n"
    "sendmail_path=\"$SendMailExe$\"\n"
    "extension_dir=\"$BinDir$/php/ext\"\n";

}  // namespace

Distribution::Distribution(bool withDatabase) {
    // Left running only by a test that failed half-way.
    if (!RemoveDistribution()) {
        KillFakes();
        RemoveDistribution();
    }
    AddFile("bin\\apache\\httpd.conf", HttpdTemplate);
    AddFile("bin\\apache\\php.ini", PhpTemplate);
    fs::copy_file(FakeServerPath(), ApacheExe());
    AddFile("www\\index.html", "<title>fake site</title>");
    AddFile("data\\readme.txt", "data");
    if (withDatabase) {
        fs::create_directories(fs::path(MySqlExe()).parent_path());
        fs::copy_file(FakeServerPath(), MySqlExe());
        fs::create_directories(AppPath() + "data\\mysql");
    }
    std::error_code ignored;
    for (const char* file : {"httpd.conf", "php.ini", "my.ini"})
        fs::remove(TShellKit::GetWorkDir() + "\\" + file, ignored);
}

Distribution::~Distribution() { KillFakes(); }

void Distribution::AddFile(const std::string& relative, const std::string& text) const {
    WriteText(AppPath() + relative, text);
}

PortHolder::PortHolder(int port, const char* ip) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    address.sin_addr.s_addr = inet_addr(ip);
    held_ = bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
            listen(socket_, 1) == 0;
}

PortHolder::~PortHolder() { closesocket(socket_); }

std::string HttpGet(int port) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    address.sin_addr.s_addr = inet_addr("127.0.0.1");
    std::string response;
    if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0) {
        const char request[] = "GET / HTTP/1.0\r\n\r\n";
        send(s, request, sizeof(request) - 1, 0);
        char buffer[1024];
        for (int n; (n = recv(s, buffer, sizeof(buffer), 0)) > 0;) response.append(buffer, n);
    }
    closesocket(s);
    return response;
}

TFakeWindow::TFakeWindow() {
    static int counter = 0;
    instanceName = "vadrome-runner-test-" + std::to_string(++counter);
    WebServerWaitLimitMs = 5000;
}

std::string TFakeWindow::ExtractConfigFile() {
    const std::string path = TRunner::ExtractConfigFile();
    for (const auto& [key, value] : settings) TShellKit::IniWriteString(path, "INI", key, value);
    return path;
}

void TFakeWindow::NavigateTo(const std::string& url) {
    Record("NavigateTo " + url);
    if (navigationFails) throw Exception("The browser control is gone");
}

// Built while the web server starts: started, and not yet counted as up.
void TFakeWindow::BuildWindow() {
    const bool serverStarting = ApacheProcess.Running() && ApacheProcesses.empty();
    Record(serverStarting ? "BuildWindow while the web server starts" : "BuildWindow");
    if (windowFails) throw Exception("Error creating window");
}

TChildProcess TFakeWindow::StartSplashProcess() {
    return StartInJob(FakeServerPath(), "sleep 60000", SW_SHOWNORMAL);
}

bool Called(const TFakeWindow& window, const std::string& call) {
    return std::find(window.calls.begin(), window.calls.end(), call) != window.calls.end();
}

ULONGLONG MillisecondsOf(void (TRunner::*step)(), TRunner& runner) {
    const ULONGLONG start = GetTickCount64();
    try {
        (runner.*step)();
    } catch (const ProcessEnded&) {
    }
    return GetTickCount64() - start;
}

void CheckEverythingKilled(const TFakeWindow& window, const Distribution& distribution) {
    CHECK(WaitUntilEnded(window.SplashProcess));
    CHECK(NoProcessRuns(distribution.ApacheExe()));
    CHECK(NoProcessRuns(distribution.MySqlExe()));
    CHECK(NoProcessRuns(BinPath() + "\\browser.exe"));
}
