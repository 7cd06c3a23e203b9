// Sockets, files and processes for the stand-in programs and the end-to-end
// tests that talk to them.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "util/Handles.h"

namespace standin {

// Winsock for the life of the object.
class TWinsock {
public:
    TWinsock();
    ~TWinsock();
    TWinsock(const TWinsock&) = delete;
    TWinsock& operator=(const TWinsock&) = delete;
};

// A listening socket on host:port, or an empty one when it cannot listen.
UniqueSocket ListenOn(const std::string& host, int port);
UniqueSocket ConnectTo(const std::string& host, int port, unsigned timeoutMs);
bool SendAll(SOCKET socket, const std::string& data);
// Bytes until the peer closes (or the limit or timeout is reached).
std::string ReceiveAll(SOCKET socket, size_t limit);
// The request head: up to the blank line.
std::string ReceiveHead(SOCKET socket);

struct THttpResponse {
    int Status = 0;
    std::string Head;  // status line and headers
    std::string Body;
    std::string Header(const std::string& name) const;  // value of the first match, trimmed
};

std::optional<THttpResponse> HttpRequest(const std::string& host, int port, const std::string& method,
                                         const std::string& path, unsigned timeoutMs = 5000);

std::vector<std::string> CommandLineArgs();  // as CommandLineToArgvW splits them
// What the file holds, read to its end; empty optional when it did not open.
std::optional<std::string> ReadAll(const UniqueHandle& file);
bool AppendAll(const UniqueHandle& file, const std::string& text);
std::string ModulePath();                     // the running executable
std::optional<std::string> ReadWholeFile(const std::string& path);
void AppendToFile(const std::string& path, const std::string& text);
// Starts "exe" params, no window of its own; the process handle, empty on failure.
UniqueHandle StartHidden(const std::string& exe, const std::string& params);

}  // namespace standin

namespace standin {

// A path of the build tree (a host path) as Wine's Z: drive shows it.
std::string HostPath(const std::string& unixPath);
// Processes whose executable is this file, started by its long or short path, in any case.
std::vector<DWORD> ProcessesRunning(const std::string& exe);
// Processes whose executable lies anywhere under this folder.
std::vector<DWORD> ProcessesInFolder(const std::string& folder);
bool ProcessAlive(DWORD id);
void Kill(DWORD id);
// A port nobody listens on at 127.0.0.1 right now.
int FreePort();
std::string MakeTempFolder(const std::string& prefix);
void WriteWholeFile(const std::string& path, const std::string& text);
// Polls every 100 ms; true when the condition held before the time ran out.
template <class Condition>
bool WaitUntil(Condition condition, unsigned timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        if (condition()) return true;
        if (GetTickCount64() >= end) return false;
        Sleep(100);
    }
}

}  // namespace standin
