// The configuration files of the web server, PHP and the database server,
// written into the work folder at every start.
#include "server/linux/Runner.h"
#include "server/ServerText.h"
#include "util/linux/Files.h"

namespace {

// The template's own bytes stay as the distribution wrote them. A template
// that cannot be read stops the start: the server would run on an old file.
void WriteFromTemplate(const std::string& templatePath, const std::string& output, const TokenTable& tokens) {
    LinuxFiles::WriteFileReplacing(output, ReplaceTokens(LinuxFiles::ReadFile(templatePath), tokens));
}

}  // namespace

std::string TRunner::WriteHttpdConf() {
    const std::string result = WorkDir + "/httpd.conf";
    WriteFromTemplate(BinDir + "/apache/httpd.conf", result,
                      HttpdConfTokens(WorkDir, BinDir, ReadConfigValue("ip"), WebPort, AppDir + "/www"));
    return result;
}

std::string TRunner::WritePhpIni() {
    const std::string result = WorkDir + "/php.ini";
    const std::string sendmail = BinDir + "/apache/sendmail";
    WriteFromTemplate(BinDir + "/apache/php.ini", result,
                      PhpIniTokens(WorkDir, BinDir, MySqlPort, LinuxFiles::FileExists(sendmail) ? sendmail : ""));
    return result;
}

// Updated key by key, so hand-made keys of an earlier run survive. The
// socket and pid file stay in the work folder: the system's own places may
// belong to another database server.
std::string TRunner::WriteMyIni() {
    const std::string result = WorkDir + "/my.ini";
    TokenTable keys = MyIniKeys(BinDir, AppDir + "/data", MySqlPort);
    keys.push_back({"socket", QuotedValue(WorkDir + "/mysqld.sock")});
    keys.push_back({"pid-file", QuotedValue(WorkDir + "/mysqld.pid")});
    std::string text = LinuxFiles::FileExists(result) ? LinuxFiles::ReadFile(result) : "";
    for (const auto& [key, value] : keys) text = SetIniKey(text, "mysqld", key, value);
    LinuxFiles::WriteFileReplacing(result, text);
    return result;
}
