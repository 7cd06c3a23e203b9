#include "util/RunnerRules.h"

#include <algorithm>

#include "util/Md5.h"

std::string WorkFolderName(const std::string& loginName, char separator, const std::string& exePath) {
    return Md5Hex(loginName + separator + exePath);
}

int FirstFreePort(int start, const std::function<bool(int)>& canListen) {
    for (int port = std::max(start, 1); port <= HighestPort; ++port)
        if (canListen(port)) return port;
    return -1;
}
