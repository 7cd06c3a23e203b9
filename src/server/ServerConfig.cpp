// The configuration files of the web server, PHP and the database server,
// written into the work folder at every start.
#include "server/Runner.h"
#include "server/ServerPaths.h"
#include "server/ServerText.h"
#include "util/Errors.h"
#include "util/Guard.h"
#include "util/ShellKit.h"

namespace {

// A generated file that cannot be written stops start-up: a server would
// otherwise run on last run's file, or on none.
template <class F>
void WriteGenerated(const std::string& file, F&& write) {
    try {
        write();
    } catch (const std::exception& error) {
        throw Exception(GeneratedFileText(file, error.what()));
    }
}

// The template's own bytes stay as the distribution wrote them.
void WriteFromTemplate(const std::string& templatePath, const std::string& output, TokenTable tokens) {
    WriteGenerated(output, [&] {
        for (auto& [token, value] : tokens) value = ServerFileText(value);
        TShellKit::WriteFileAtomic(output, ReplaceTokens(TShellKit::ReadFileText(templatePath), tokens));
    });
}

}  // namespace

bool TRunner::RunsFromCdRom() { return TShellKit::IsCdRomDrive(""); }

std::string TRunner::WriteHttpdConf() {
    const std::string result = WorkDir + "\\httpd.conf";
    std::string docRoot = TShellKit::GetAppPath() + "www";
    if (RunsFromCdRom() && IsSwitchOn(ReadConfigValue("copyfilestoharddisk")))
        Guarded([&] { docRoot = CopyFromDisc("www"); });
    WriteFromTemplate(BinDir + "\\apache\\httpd.conf", result,
                      HttpdConfTokens(ServerPath(WorkDir), ServerPath(BinDir), ReadConfigValue("ip"), WebPort,
                                      ServerPath(docRoot)));
    return result;
}

std::string TRunner::WritePhpIni() {
    const std::string result = WorkDir + "\\php.ini";
    const std::string sendmail =
        TShellKit::GetShortPath(TShellKit::ExpandAppRelative(BinDir + "\\apache\\sendmail.exe"));
    WriteFromTemplate(BinDir + "\\apache\\php.ini", result,
                      PhpIniTokens(ServerPath(WorkDir), ServerPath(BinDir), MySqlPort, sendmail));
    return result;
}

// Updated key by key, so hand-made keys of an earlier run survive; an earlier
// my.ini that cannot be read stops start-up rather than lose them. Not through
// the profile service: in our UTF-8 process it would write the whole file,
// hand-made keys included, in UTF-8, which the database server misreads.
std::string TRunner::WriteMyIni() {
    const std::string result = WorkDir + "\\my.ini";
    std::string dataDir = TShellKit::GetAppPath() + "data";
    if (RunsFromCdRom()) Guarded([&] { dataDir = CopyFromDisc("data"); });
    WriteGenerated(result, [&] {
        std::string text = TShellKit::FileExists(result) ? TShellKit::ReadFileText(result) : "";
        for (const auto& [key, value] : MyIniKeys(ServerPath(BinDir), ServerPath(dataDir), MySqlPort))
            text = SetIniKey(text, "mysqld", key, ServerFileText(value));
        TShellKit::WriteFileAtomic(result, text);
    });
    return result;
}
