// TShellKit: probing TCP ports with a real listener.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>

#include "util/Handles.h"
#include "util/RunnerRules.h"
#include "util/ShellKit.h"

namespace {

class WinsockSession {
public:
    WinsockSession() {
        WSADATA data;
        started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }
    ~WinsockSession() {
        if (started_) WSACleanup();
    }
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;
    bool Started() const { return started_; }

private:
    bool started_ = false;
};

bool CanListen(int port, bool localOnly) {
    WinsockSession session;
    if (!session.Started()) return false;
    UniqueSocket listener(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    if (!listener) return false;
    // Without exclusive use Windows lets us bind beside another process's listener.
    BOOL exclusive = TRUE;
    setsockopt(listener.Get(), SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive),
               sizeof(exclusive));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    address.sin_addr.s_addr = htonl(localOnly ? INADDR_LOOPBACK : INADDR_ANY);
    return bind(listener.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0 &&
           listen(listener.Get(), SOMAXCONN) == 0;
}

}  // namespace

// Port 0 would let the platform pick any port: no fixed port to hand a server.
bool TShellKit::IsPortInUse(int port, bool localOnly) {
    if (port <= 0 || port > HighestPort) return true;
    return !CanListen(port, localOnly);
}

int TShellKit::FindFreePort(int start, bool localOnly) {
    const WinsockSession scan;  // keeps the library loaded across the probes
    return FirstFreePort(start, [&](int port) { return !IsPortInUse(port, localOnly); });
}
