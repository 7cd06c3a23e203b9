#include "server/ServerRules.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "util/Text.h"

TServerLook JudgeServerLook(bool running, bool up, unsigned long long elapsedMs, unsigned long long limitMs) {
    if (!running) return TServerLook::Ended;
    if (up) return TServerLook::Up;
    return elapsedMs >= limitMs ? TServerLook::GaveUp : TServerLook::Waiting;
}

std::vector<std::string> DatabaseStopEvents(int startedId) {
    const std::string id = std::to_string(startedId);
    return {"mysqld" + id + "_shutdown", "MySQLShutdown" + id};
}

std::vector<std::string> WebServerStopEvents(int startedId) { return {"ap" + std::to_string(startedId) + "_shutdown"}; }

namespace {

bool IsAbsolutePath(const std::string& path) {
    if (!path.empty() && (path[0] == '/' || path[0] == '\\')) return true;
    return path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
}

std::string InFolder(const std::string& folder, const std::string& path) {
    if (IsAbsolutePath(path) || folder.empty()) return path;
    const char last = folder.back();
    return folder + (last == '/' || last == '\\' ? "" : "/") + path;
}

// The first argument of a directive line: quoted, or up to the next blank.
std::string FirstArgument(const std::string& rest) {
    const std::string text = TrimLeft(rest);
    if (!text.empty() && text[0] == '"') return text.substr(1, text.find('"', 1) - 1);
    return text.substr(0, text.find_first_of(" \t"));
}

struct TDirective {
    std::string Name, Argument;  // name lower-cased
};

TDirective ParseLine(const std::string& line) {
    const std::string text = Trim(line);
    const size_t end = text.find_first_of(" \t");
    if (end == std::string::npos) return {LowerAscii(text), {}};
    return {LowerAscii(text.substr(0, end)), FirstArgument(text.substr(end))};
}

}  // namespace

std::string WebServerErrorLog(const std::string& httpdConf, const std::string& serverRoot) {
    std::string root = serverRoot, errorLog;
    int virtualHosts = 0;
    // No stream: iostreams would add their locale machinery to an exe copied whole on every stamp.
    for (size_t start = 0; start < httpdConf.size();) {
        const size_t end = std::min(httpdConf.find('\n', start), httpdConf.size());
        const TDirective directive = ParseLine(httpdConf.substr(start, end - start));
        start = end + 1;
        if (directive.Name == "<virtualhost") ++virtualHosts;
        else if (directive.Name == "</virtualhost>" && virtualHosts > 0) --virtualHosts;
        else if (directive.Name == "serverroot" && !directive.Argument.empty()) root = directive.Argument;
        else if (directive.Name == "errorlog" && virtualHosts == 0 && errorLog.empty()) errorLog = directive.Argument;
    }
    if (errorLog.empty()) errorLog = "logs/error.log";
    if (errorLog[0] == '|' || LowerAscii(errorLog).starts_with("syslog")) return errorLog;
    return InFolder(root, errorLog);
}

std::string DatabaseErrorLog(const std::string& logErrorSetting, const std::string& dataDir,
                             const std::string& hostName) {
    std::string file = Trim(logErrorSetting);
    if (file.size() >= 2 && (file[0] == '"' || file[0] == '\'') && file.back() == file[0])
        file = file.substr(1, file.size() - 2);
    if (file.empty()) file = hostName + ".err";
    const size_t name = file.find_last_of("/\\");
    if (file.find('.', name == std::string::npos ? 0 : name) == std::string::npos) file += ".err";
    return InFolder(dataDir, file);
}

std::string ExitCodeText(unsigned long code) {
    if (code < 0x80000000UL) return std::to_string(code);
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", code);
    return text;
}

std::string ServerEndedText(const std::string& server, const std::string& program, unsigned long exitCode,
                            const std::string& errorLog) {
    return "The " + server + " " + program + " ended at start-up with exit code " + ExitCodeText(exitCode) +
           ". Its error log, " + errorLog + ", may tell why.";
}

std::string ServerNotStartedText(const std::string& server, const std::string& program, const std::string& reason) {
    return "The " + server + " " + program + " could not be started: " + reason;
}
