#include "util/linux/Net.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>

#include "util/RunnerRules.h"
#include "util/linux/Fd.h"

namespace LinuxNet {

namespace {

sockaddr_in AddressOf(int port, bool loopback) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(loopback ? INADDR_LOOPBACK : INADDR_ANY);
    return address;
}

}  // namespace

bool CanListen(int port, bool localOnly) {
    if (port <= 0 || port > HighestPort) return false;
    UniqueFd listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!listener) return false;
    const int on = 1;
    ::setsockopt(listener.Get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
    const sockaddr_in address = AddressOf(port, localOnly);
    return ::bind(listener.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0 &&
           ::listen(listener.Get(), 1) == 0;
}

int FindFreePort(int start, bool localOnly) {
    return FirstFreePort(start, [&](int port) { return CanListen(port, localOnly); });
}

bool AcceptsConnection(int port, unsigned limitMs) {
    UniqueFd client(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!client) return false;
    const sockaddr_in address = AddressOf(port, true);
    if (::connect(client.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0) return true;
    if (errno != EINPROGRESS) return false;
    pollfd wait{client.Get(), POLLOUT, 0};
    if (::poll(&wait, 1, static_cast<int>(limitMs)) != 1) return false;
    int error = 0;
    socklen_t length = sizeof(error);
    return ::getsockopt(client.Get(), SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
}

}  // namespace LinuxNet
