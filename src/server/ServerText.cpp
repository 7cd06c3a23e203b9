#include "server/ServerText.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdio>
#include <optional>

#include "util/Errors.h"
#include "util/Md5.h"
#include "util/Text.h"

bool ParseDecimal(const std::string& text, long long& value) {
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+') ++first;
    if (first == last) return false;
    const auto [end, error] = std::from_chars(first, last, value);
    return error == std::errc() && end == last;
}

namespace {

bool SameName(std::string_view a, std::string_view b) { return LowerAscii(Trim(a)) == LowerAscii(Trim(b)); }

// The name of a "[name]" line; empty optional for any other line.
std::optional<std::string> SectionOf(const std::string& line) {
    const std::string trimmed = Trim(line);
    const size_t close = trimmed.find(']');
    if (trimmed.empty() || trimmed.front() != '[' || close == std::string::npos) return std::nullopt;
    return trimmed.substr(1, close - 1);
}

bool IsKeyLine(const std::string& line, const std::string& key) {
    const size_t equals = line.find('=');
    return equals != std::string::npos && SameName(std::string_view(line).substr(0, equals), key);
}

// One line of a text: where it starts, where the next starts, its content without the line end.
struct TLineSpan {
    size_t Start, Next;
    std::string Line;
};

std::vector<TLineSpan> LineSpans(const std::string& text) {
    std::vector<TLineSpan> spans;
    for (size_t start = 0; start < text.size();) {
        const size_t newline = text.find('\n', start);
        const size_t next = newline == std::string::npos ? text.size() : newline + 1;
        std::string line = text.substr(start, next - start);
        line.resize(std::min(line.size(), line.find_first_of("\r\n")));
        spans.push_back({start, next, std::move(line)});
        start = next;
    }
    return spans;
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

int ParseIntegerSetting(const std::string& value) {
    long long number = 0;
    if (!ParseDecimal(Trim(value), number) || number < INT_MIN || number > INT_MAX)
        throw Exception("'" + value + "' is not a valid integer value");
    return static_cast<int>(number);
}

int ParseSplashSeconds(const std::string& value) {
    long long seconds = 0;
    if (!ParseDecimal(value, seconds) || seconds > 2000000) return 0;
    return static_cast<int>(seconds);
}

bool IsHiddenStartCommand(int showCommand) {
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

std::string ChooseServerPathForm(const std::string& longForm, const std::string& shortForm,
                                 const std::function<bool(const std::string&)>& fitsCodePage) {
    const std::string* forms[] = {&longForm, &shortForm};
    for (const std::string* form : forms)
        if (!form->empty() && IsAscii(*form)) return *form;
    for (const std::string* form : forms)
        if (!form->empty() && fitsCodePage(*form)) return *form;
    return {};
}

std::string SetIniKey(const std::string& text, const std::string& section, const std::string& key,
                      const std::string& value) {
    const std::string entry = key + "=" + value;
    bool inSection = false;
    size_t insertAt = std::string::npos;  // after the section's last non-blank line
    for (const auto& [start, next, line] : LineSpans(text)) {
        if (const auto name = SectionOf(line)) inSection = SameName(*name, section);
        if (inSection && IsKeyLine(line, key))
            return text.substr(0, start) + entry + text.substr(start + line.size());
        if (inSection && !Trim(line).empty()) insertAt = next;
    }
    if (insertAt == std::string::npos) {
        const bool needsBreak = !text.empty() && text.back() != '\n';
        return text + (needsBreak ? "\r\n" : "") + "[" + section + "]\r\n" + entry + "\r\n";
    }
    const bool needsBreak = text[insertAt - 1] != '\n';
    return text.substr(0, insertAt) + (needsBreak ? "\r\n" : "") + entry + "\r\n" + text.substr(insertAt);
}

std::string DeleteIniKey(const std::string& text, const std::string& section, const std::string& key) {
    bool inSection = false;
    for (const auto& [start, next, line] : LineSpans(text)) {
        if (const auto name = SectionOf(line)) inSection = SameName(*name, section);
        if (inSection && IsKeyLine(line, key)) return text.substr(0, start) + text.substr(next);
    }
    return text;
}

std::vector<std::string> MySqlArguments(const std::string& myIniPath, int port, const std::string& languageDir) {
    return {"--defaults-file=" + myIniPath, "--port=" + std::to_string(port), "--innodb",
            "--language=" + languageDir, "--user=root"};
}

std::string MySqlParameters(const std::string& myIniPath, int port, const std::string& languageDir) {
    std::string parameters;
    for (const std::string& argument : MySqlArguments(myIniPath, port, languageDir))
        parameters += (parameters.empty() ? "\"" : " \"") + argument + "\"";
    return parameters;
}

std::vector<std::string> ApacheArguments(const std::string& httpdConfPath) { return {"-f", httpdConfPath}; }

std::string ApacheParameters(const std::string& httpdConfPath) {
    const std::vector<std::string> arguments = ApacheArguments(httpdConfPath);
    return arguments[0] + " \"" + arguments[1] + "\"";
}

std::string RunnerLockName(const std::string& folderIdentity, const std::string& upperFolder) {
    return std::string("Global\\") + BuiltInProductName + "-" +
           (folderIdentity.empty() ? Md5Hex(upperFolder) : folderIdentity);
}

std::string WorkFolderFaultText(TWorkFolderFault fault, const std::string& folder, const std::string& detail) {
    const std::string tampered =
        ". Someone else may have made it to read or change this application's data, so it is not used. "
        "Ask an administrator to delete it, then start the application again";
    const std::string rights = ". Check the rights on the folder that holds it, then start the application again";
    const std::string head = "The work folder " + folder;
    switch (fault) {
    case TWorkFolderFault::Missing: return head + " could not be created" + rights;
    case TWorkFolderFault::Link: return head + " is a link to another place" + tampered;
    case TWorkFolderFault::ForeignOwner: return head + " belongs to another account (" + detail + ")" + tampered;
    case TWorkFolderFault::ForeignEntry: return head + " holds " + detail + ", which belongs to another account" + tampered;
    case TWorkFolderFault::NotPrivate: return head + " could not be closed to other users" + rights;
    }
    return head + " cannot be used";
}

std::string GeneratedFileText(const std::string& file, const std::string& reason) {
    return "The server configuration file " + file + " could not be written: " + reason;
}

std::string DiscCopyStamp(unsigned long volumeSerial, unsigned long long newestWriteTime) {
    char text[64];
    std::snprintf(text, sizeof text, "volume=%08lX newest=%llu", volumeSerial, newestWriteTime);
    return text;
}

std::string DownsizeBusyText(const std::string& exe) {
    return "Another copy of " + exe +
           " is still running, so nothing was removed. Close every window of the application, then run the "
           "down-size again.";
}
