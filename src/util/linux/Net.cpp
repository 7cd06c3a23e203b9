#include "util/linux/Net.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "util/RunnerRules.h"
#include "util/linux/Fd.h"
#include "util/linux/Files.h"

namespace LinuxNet {

namespace {

sockaddr_in AddressOf(int port, bool loopback) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(loopback ? INADDR_LOOPBACK : INADDR_ANY);
    return address;
}

constexpr const char ListenState[] = "0A";

// Inodes of the sockets listening on the port, from the kernel's table.
std::vector<std::string> ListeningInodes(int port) {
    std::vector<std::string> inodes;
    std::istringstream table(LinuxFiles::ReadFile("/proc/net/tcp"));
    std::string line;
    std::getline(table, line);  // the heading
    char portHex[8];
    std::snprintf(portHex, sizeof(portHex), ":%04X", port);
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state, queues, timer, retransmits, uid, timeout, inode;
        fields >> slot >> local >> remote >> state >> queues >> timer >> retransmits >> uid >> timeout >> inode;
        if (state == ListenState && local.size() > 5 && local.compare(local.size() - 5, 5, portHex) == 0)
            inodes.push_back("socket:[" + inode + "]");
    }
    return inodes;
}

}  // namespace

bool ProcessListensOn(pid_t pid, int port) {
    std::vector<std::string> inodes;
    try {
        inodes = ListeningInodes(port);
    } catch (...) {
        return false;
    }
    if (inodes.empty()) return false;
    const std::string fdDir = "/proc/" + std::to_string(pid) + "/fd";
    const std::unique_ptr<DIR, int (*)(DIR*)> folder(::opendir(fdDir.c_str()), ::closedir);
    if (!folder) return false;
    while (const dirent* entry = ::readdir(folder.get())) {
        char target[64];
        const ssize_t length = ::readlink((fdDir + "/" + entry->d_name).c_str(), target, sizeof(target) - 1);
        if (length <= 0) continue;
        if (std::find(inodes.begin(), inodes.end(), std::string(target, static_cast<size_t>(length))) != inodes.end())
            return true;
    }
    return false;
}

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
