// TShellKit: probing TCP ports with a real listener, and asking whether a server takes connections.
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

// Never by a listener of our own, which could take the port from a server
// still starting. Windows answers a refused connection only after retries,
// so the look is bounded and the caller looks again later.
bool TShellKit::AcceptsConnections(int port, unsigned timeoutMs) {
    WinsockSession session;
    if (!session.Started() || port <= 0 || port > HighestPort) return false;
    UniqueSocket connection(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    u_long nonBlocking = 1;
    if (!connection || ioctlsocket(connection.Get(), FIONBIO, &nonBlocking) != 0) return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(connection.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0) return true;
    if (WSAGetLastError() != WSAEWOULDBLOCK) return false;
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(connection.Get(), &writable);
    FD_SET(connection.Get(), &failed);
    timeval timeout{static_cast<long>(timeoutMs / 1000), static_cast<long>(timeoutMs % 1000 * 1000)};
    if (select(0, nullptr, &writable, &failed, &timeout) <= 0 || !FD_ISSET(connection.Get(), &writable)) return false;
    // A refused connection can show as writable too (Wine, as on Linux): only its error tells.
    int error = 0, size = sizeof(error);
    return getsockopt(connection.Get(), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) == 0 && error == 0;
}
