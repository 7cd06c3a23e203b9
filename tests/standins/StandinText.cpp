#include "StandinText.h"

#include <cctype>
#include <sstream>
#include <utility>

namespace standin {

namespace {

std::string Unquote(const std::string& value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        return value.substr(1, value.size() - 2);
    return value;
}

std::optional<int> ParsePort(const std::string& text) {
    if (text.empty() || text.size() > 5) return std::nullopt;
    int port = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
        port = port * 10 + (c - '0');
    }
    if (port < 1 || port > 65535) return std::nullopt;
    return port;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::optional<std::string> PercentDecode(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return std::nullopt;
        const int high = HexValue(text[i + 1]), low = HexValue(text[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

}  // namespace

std::optional<TListenAddress> ParseListen(const std::string& value) {
    const std::string text = Unquote(Trim(value));
    const auto colon = text.rfind(':');
    TListenAddress address;
    if (colon == std::string::npos) {
        const auto port = ParsePort(text);
        if (!port) return std::nullopt;
        address.Port = *port;
        return address;
    }
    const std::string host = text.substr(0, colon);
    const auto port = ParsePort(text.substr(colon + 1));
    if (!port || host.empty() || host.find_first_of("[]:") != std::string::npos) return std::nullopt;
    address.Host = host;
    address.Port = *port;
    return address;
}

THttpdSettings ParseHttpdConf(const std::string& text) {
    const std::pair<const char*, std::string THttpdSettings::*> paths[] = {
        {"documentroot", &THttpdSettings::DocumentRoot},
        {"serverroot", &THttpdSettings::ServerRoot},
        {"errorlog", &THttpdSettings::ErrorLog},
        {"phpinidir", &THttpdSettings::PhpIniDir}};
    THttpdSettings settings;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        line = Trim(line);
        if (line.empty() || line[0] == '#') continue;
        const auto space = line.find_first_of(" \t");
        if (space == std::string::npos) continue;
        const std::string directive = LowerAscii(line.substr(0, space));
        const std::string value = Trim(line.substr(space + 1));
        if (directive == "listen" && !settings.Listen) settings.Listen = ParseListen(value);
        for (const auto& [name, field] : paths)
            if (directive == name && (settings.*field).empty()) settings.*field = Unquote(value);
    }
    return settings;
}

std::string ServerRelative(const std::string& serverRoot, const std::string& path) {
    const bool absolute = (!path.empty() && (path[0] == '/' || path[0] == '\\')) ||
                          (path.size() > 1 && path[1] == ':');
    return absolute || serverRoot.empty() ? path : serverRoot + "/" + path;
}

std::optional<std::string> TargetToRelativePath(const std::string& target) {
    std::string path = target.substr(0, target.find_first_of("?#"));
    if (path.empty() || path[0] != '/') return std::nullopt;
    const auto decoded = PercentDecode(path);
    if (!decoded) return std::nullopt;
    path = *decoded;
    // Backslashes are separators on Windows, so they could smuggle ".." past
    // the segment check below.
    if (path.find('\\') != std::string::npos || path.find('\0') != std::string::npos ||
        path.find(':') != std::string::npos)
        return std::nullopt;
    std::istringstream segments(path);
    std::string segment;
    while (std::getline(segments, segment, '/'))
        if (segment == "..") return std::nullopt;
    return path.substr(1);
}

std::string ContentTypeFor(const std::string& path) {
    const auto dot = path.rfind('.');
    const std::string ext = dot == std::string::npos ? "" : LowerAscii(path.substr(dot + 1));
    if (ext == "html" || ext == "htm" || ext == "php") return "text/html";
    if (ext == "css") return "text/css";
    if (ext == "js") return "application/javascript";
    if (ext == "png") return "image/png";
    if (ext == "jpg" || ext == "jpeg") return "image/jpeg";
    if (ext == "gif") return "image/gif";
    if (ext == "ico") return "image/x-icon";
    if (ext == "txt") return "text/plain";
    return "application/octet-stream";
}

std::optional<TUrl> ParseHttpUrl(const std::string& url) {
    const std::string scheme = "http://";
    if (LowerAscii(url.substr(0, scheme.size())) != scheme) return std::nullopt;
    const std::string rest = url.substr(scheme.size());
    const auto slash = rest.find('/');
    const std::string authority = rest.substr(0, slash);
    TUrl result;
    if (slash != std::string::npos) result.Path = rest.substr(slash);
    const auto colon = authority.rfind(':');
    result.Host = authority.substr(0, colon);
    if (colon != std::string::npos) {
        const auto port = ParsePort(authority.substr(colon + 1));
        if (!port) return std::nullopt;
        result.Port = *port;
    }
    if (result.Host.empty()) return std::nullopt;
    return result;
}

}  // namespace standin
