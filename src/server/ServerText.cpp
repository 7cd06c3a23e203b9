#include "server/ServerText.h"

#include <algorithm>
#include <charconv>

#include "util/Errors.h"
#include "util/Text.h"

namespace {

// A whole decimal integer, optionally signed; false for anything else.
bool ParseDecimal(const std::string& text, long long& value) {
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+') ++first;
    if (first == last) return false;
    const auto [end, error] = std::from_chars(first, last, value);
    return error == std::errc() && end == last;
}

}  // namespace

std::string SlashForm(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

std::string ReplaceTokens(std::string text, const TokenTable& tokens) {
    for (const auto& [token, value] : tokens) text = ReplaceText(text, token, value, true);
    return text;
}

bool IsSwitchOn(const std::string& value) { return value != "0"; }

bool IsLoopbackOnly(const std::string& ip) { return ip == LoopbackAddress; }

std::string TitleFromSetting(const std::string& value) {
    const std::string title = Trim(value);
    return title.empty() ? BuiltInProductName : title;
}

std::string HomeAddress(int port) { return "http://127.0.0.1:" + std::to_string(port); }

int ParsePortSetting(const std::string& value) {
    long long port = 0;
    if (!ParseDecimal(Trim(value), port) || port < 1 || port > 65535)
        throw Exception("The port setting \"" + value + "\" is not a port number from 1 to 65535");
    return static_cast<int>(port);
}

int ParseSplashSeconds(const std::string& value) {
    long long seconds = 0;
    if (!ParseDecimal(value, seconds) || seconds > 2000000) return 0;
    return static_cast<int>(seconds);
}

bool IsHiddenStartCommand(int showCommand) {
    constexpr int RelaunchShowBase = 6000;
    switch (showCommand - RelaunchShowBase) {
    case 0:  // SW_HIDE
    case 2:  // SW_SHOWMINIMIZED
    case 6:  // SW_MINIMIZE
    case 7:  // SW_SHOWMINNOACTIVE
        return true;
    default:
        return false;
    }
}

TokenTable HttpdConfTokens(const std::string& workDir, const std::string& binDir,
                           const std::string& ip, int webPort, const std::string& docRoot) {
    return {{"$PHPRC$", SlashForm(workDir)},
            {"$BINDIR$", SlashForm(binDir)},
            {"$IP$", IsLoopbackOnly(ip) ? LoopbackAddress : "0.0.0.0"},
            {"$PORT$", std::to_string(webPort)},
            {"$DOCROOT$", SlashForm(docRoot)}};
}

TokenTable PhpIniTokens(const std::string& workDir, const std::string& binDir, int mySqlPort,
                        const std::string& sendmailShortPath) {
    return {{"$PHPRC$", SlashForm(workDir)},
            {"$BINDIR$", SlashForm(binDir)},
            {"$MYSQLPORT$", std::to_string(mySqlPort)},
            {"$SENDMAILEXE$", SlashForm(sendmailShortPath)}};
}

std::string QuotedValue(const std::string& value) { return "\"" + value + "\""; }

TokenTable MyIniKeys(const std::string& binDir, const std::string& dataDir, int mySqlPort) {
    return {{"basedir", QuotedValue(SlashForm(binDir + "\\mysql"))},
            {"datadir", QuotedValue(SlashForm(dataDir))},
            {"bind-address", LoopbackAddress},
            {"port", std::to_string(mySqlPort)}};
}

std::string ExpandBrowserPath(const std::string& raw, const std::string& binDir) {
    return ReplaceText(raw, "{bin}", binDir, true);
}

std::string ExpandBrowserParameters(const std::string& raw, const std::string& binDir,
                                    const std::string& homeAddress) {
    return ReplaceText(ExpandBrowserPath(raw, binDir), "{url}", homeAddress, true);
}

std::string MySqlParameters(const std::string& myIniPath, int port, const std::string& languageDir) {
    return "\"--defaults-file=" + myIniPath + "\" \"--port=" + std::to_string(port) +
           "\" \"--innodb\" \"--language=" + languageDir + "\" \"--user=root\"";
}

std::string ApacheParameters(const std::string& httpdConfPath) {
    return "-f \"" + httpdConfPath + "\"";
}
