// One tiny program standing in for every process the runner starts in tests:
//   -f "httpd.conf" [child]   web server: a parent and a child that serves
//                             DocumentRoot/index.html on the Listen address;
//                             "LateChild" in the file: the child comes 3 s late
//   "--defaults-file=..." "--port=N" ...   database server holding port N;
//                             "ExitAtOnce" in the file: it ends at once, exit code 1
//   sleep MS ...              waits MS milliseconds (splash, browser)
//   spawn MS                  starts "sleep MS" of itself, then waits MS
//   adopt|orphan EXE MS       starts EXE "sleep MS", then waits MS (adopt) or ends
// Every start appends its command line to "<exe>.log" beside it. The servers
// stop when asked as the stand-in servers do (StandinStop.h).
#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <fstream>
#include <sstream>
#include <string>

#include "StandinStop.h"
#include "util/Handles.h"

namespace {

std::string Read(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string SelfPath() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

// The rest of the line after the directive, quotes removed.
std::string Directive(const std::string& conf, const std::string& name) {
    std::istringstream lines(conf);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(name + " ", 0) != 0) continue;
        std::string value = line.substr(name.size() + 1);
        std::erase(value, '"');
        std::erase(value, '\r');
        return value;
    }
    return {};
}

SOCKET Listen(const std::string& ip, int port) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    address.sin_addr.s_addr = inet_addr(ip.c_str());
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 || listen(s, 8) != 0)
        ExitProcess(3);
    return s;
}

[[noreturn]] void Serve(const std::string& conf) {
    const std::string listen = Directive(conf, "Listen");
    const size_t colon = listen.rfind(':');
    SOCKET server = Listen(listen.substr(0, colon), std::stoi(listen.substr(colon + 1)));
    const std::string page = Read(Directive(conf, "DocumentRoot") + "/index.html");
    for (;;) {
        SOCKET client = accept(server, nullptr, nullptr);
        char request[2048];
        recv(client, request, sizeof(request), 0);
        const std::string response = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n" + page;
        send(client, response.data(), static_cast<int>(response.size()), 0);
        closesocket(client);
    }
}

UniqueHandle StartSelf(const std::string& parameters, const std::string& exe = SelfPath()) {
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    std::string line = "\"" + exe + "\" " + parameters;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return {};
    CloseHandle(process.hThread);
    return UniqueHandle(process.hProcess);
}

std::string Pid() { return std::to_string(GetCurrentProcessId()); }

// Asked to stop, the parent ends its child and then itself.
[[noreturn]] void RunWebParent(const std::string& confFile, const std::string& conf) {
    static UniqueHandle child;
    static std::atomic<bool> stopping{false};
    standin::OnStopRequest("ap" + Pid() + "_shutdown", [] {
        stopping = true;
        TerminateProcess(child.Get(), 0);
    });
    if (conf.find("LateChild") != std::string::npos) Sleep(3000);
    if (!stopping && conf.find("SingleProcess") == std::string::npos)
        child = StartSelf("-f \"" + confFile + "\" child");
    for (;;) Sleep(INFINITE);
}

}  // namespace

int main(int argc, char** argv) {
    const char* raw = GetCommandLineA();
    std::ofstream(SelfPath() + ".log", std::ios::app) << raw << "\n";
    const std::string first = argc > 1 ? argv[1] : "";
    if ((first == "sleep" || first == "spawn") && argc > 2) {
        if (first == "spawn") StartSelf("sleep " + std::string(argv[2]));
        Sleep(static_cast<DWORD>(std::stoul(argv[2])));
        return 0;
    }
    if ((first == "adopt" || first == "orphan") && argc > 3) {
        StartSelf("sleep " + std::string(argv[3]), argv[2]);
        if (first == "adopt") Sleep(static_cast<DWORD>(std::stoul(argv[3])));
        return 0;
    }
    if (first == "-f" && argc > 2) {
        const std::string conf = Read(argv[2]);
        if (conf.find("ExitAtOnce") != std::string::npos) return 1;
        if (argc > 3) Serve(conf);
        RunWebParent(argv[2], conf);
    }
    if (first.rfind("--defaults-file=", 0) == 0 && argc > 2) {
        if (Read(first.substr(16)).find("ExitAtOnce") != std::string::npos) return 1;
        Listen("127.0.0.1", std::stoi(std::string(argv[2]).substr(7)));
        standin::OnStopRequest("MySQLShutdown" + Pid(), [] {});
        Sleep(INFINITE);
    }
    return 0;
}
