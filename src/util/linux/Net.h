// Loopback ports: free for a listener of ours, or accepting connections.
#pragma once
#include <sys/types.h>

namespace LinuxNet {

// As the servers bind: SO_REUSEADDR, so a port held only by closed
// connections counts as free, as it is to them.
bool CanListen(int port, bool localOnly);
int FindFreePort(int start, bool localOnly);  // -1 when none is free
// A connection to 127.0.0.1:port is accepted within the time.
bool AcceptsConnection(int port, unsigned limitMs);
// The process itself holds a socket listening on the port (IPv4): not
// another program that took the port first.
bool ProcessListensOn(pid_t pid, int port);

}  // namespace LinuxNet
