// The configuration files of the web server, PHP and the database server,
// written into the work folder at every start.
#include "server/Runner.h"
#include "server/ServerText.h"
#include "util/Guard.h"
#include "util/ShellKit.h"

namespace {

void WriteFromTemplate(const std::string& templatePath, const std::string& output,
                       const TokenTable& tokens) {
    TShellKit::WriteFileText(output, ReplaceTokens(TShellKit::ReadFileText(templatePath), tokens));
}

}  // namespace

// Files copied from a CD-ROM keep its read-only attribute; the copy must be writable.
std::string TRunner::CopyToWorkDir(const std::string& source, const std::string& workDir,
                                   const std::string& name) {
    TShellKit::CopyFolder(source, workDir);
    const std::string copy = workDir + "\\" + name;
    TShellKit::ForEachFileRecursive(copy, false);
    return copy;
}

bool TRunner::RunsFromCdRom() { return TShellKit::IsCdRomDrive(""); }

std::string TRunner::WriteHttpdConf() {
    const std::string result = WorkDir + "\\httpd.conf";
    Guarded([&] {
        std::string docRoot = TShellKit::GetAppPath() + "www";
        if (RunsFromCdRom() && IsSwitchOn(ReadConfigValue("copyfilestoharddisk")))
            docRoot = CopyToWorkDir(docRoot, WorkDir, "www");
        const TokenTable tokens =
            HttpdConfTokens(WorkDir, BinDir, ReadConfigValue("ip"), WebPort, docRoot);
        WriteFromTemplate(BinDir + "\\apache\\httpd.conf", result, tokens);
    });
    return result;
}

std::string TRunner::WritePhpIni() {
    const std::string result = WorkDir + "\\php.ini";
    Guarded([&] {
        const std::string sendmail =
            TShellKit::GetShortPath(TShellKit::ExpandAppRelative(BinDir + "\\apache\\sendmail.exe"));
        WriteFromTemplate(BinDir + "\\apache\\php.ini", result,
                          PhpIniTokens(WorkDir, BinDir, MySqlPort, sendmail));
    });
    return result;
}

std::string TRunner::WriteMyIni() {
    const std::string result = WorkDir + "\\my.ini";
    // The profile service updates these keys in place, so hand-made keys of
    // an earlier run survive.
    auto writeKeys = [&](const std::string& dataDir) {
        for (const auto& [key, value] : MyIniKeys(BinDir, dataDir, MySqlPort))
            TShellKit::WriteIniValue(result, "mysqld", key, value);
    };
    Guarded([&] {
        writeKeys(TShellKit::GetAppPath() + "data");
        if (!RunsFromCdRom()) return;
        Guarded([&] {
            const std::string data =
                CopyToWorkDir(TShellKit::GetAppPath() + "data", WorkDir, "data");
            TShellKit::WriteIniValue(result, "mysqld", "datadir", QuotedValue(SlashForm(data)));
        });
    });
    return result;
}
