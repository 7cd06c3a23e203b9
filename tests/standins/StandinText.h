// Text handling shared by the stand-in servers and browser: no windows.h, so
// it is tested natively too.
#pragma once
#include <optional>
#include <string>

#include "util/Text.h"  // LowerAscii, Trim

namespace standin {

struct TListenAddress {
    std::string Host = "0.0.0.0";
    int Port = 0;
};

// What the web-server stand-in takes from an httpd.conf: the first of each of
// these directives; everything else belongs to the real server. Paths as
// written, quotes removed.
struct THttpdSettings {
    std::optional<TListenAddress> Listen;
    std::string DocumentRoot, ServerRoot, ErrorLog, PhpIniDir;
};

THttpdSettings ParseHttpdConf(const std::string& text);
// A path of the configuration: relative ones lie in the server root.
std::string ServerRelative(const std::string& serverRoot, const std::string& path);

// "127.0.0.1:8080", "8080" or "[::]:80" (the last is not ours: empty result).
std::optional<TListenAddress> ParseListen(const std::string& value);

// The request target of an HTTP request line made into a path relative to the
// document root, with forward slashes: query and fragment dropped, %XX
// decoded. Empty optional when the target leaves the root or is malformed.
std::optional<std::string> TargetToRelativePath(const std::string& target);

std::string ContentTypeFor(const std::string& path);

struct TUrl {
    std::string Host;
    int Port = 80;
    std::string Path = "/";
};

// Only plain "http://host[:port][/path]" addresses.
std::optional<TUrl> ParseHttpUrl(const std::string& url);


}  // namespace standin
