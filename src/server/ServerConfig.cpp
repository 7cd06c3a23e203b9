// The configuration files of the web server, PHP and the database server,
// written into the work folder at every start.
#include "server/Runner.h"
#include "server/ServerPaths.h"
#include "server/ServerText.h"
#include "util/Guard.h"
#include "util/ShellKit.h"

namespace {

// The template's own bytes stay as the distribution wrote them.
void WriteFromTemplate(const std::string& templatePath, const std::string& output, TokenTable tokens) {
    for (auto& [token, value] : tokens) value = ServerFileText(value);
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
        WriteFromTemplate(BinDir + "\\apache\\httpd.conf", result,
                          HttpdConfTokens(ServerPath(WorkDir), ServerPath(BinDir), ReadConfigValue("ip"),
                                          WebPort, ServerPath(docRoot)));
    });
    return result;
}

std::string TRunner::WritePhpIni() {
    const std::string result = WorkDir + "\\php.ini";
    Guarded([&] {
        const std::string sendmail =
            TShellKit::GetShortPath(TShellKit::ExpandAppRelative(BinDir + "\\apache\\sendmail.exe"));
        WriteFromTemplate(BinDir + "\\apache\\php.ini", result,
                          PhpIniTokens(ServerPath(WorkDir), ServerPath(BinDir), MySqlPort, sendmail));
    });
    return result;
}

// Updated key by key, so hand-made keys of an earlier run survive. Not through
// the profile service: in our UTF-8 process it would write the whole file,
// hand-made keys included, in UTF-8, which the database server misreads.
std::string TRunner::WriteMyIni() {
    const std::string result = WorkDir + "\\my.ini";
    auto writeKeys = [&](const TokenTable& keys) {
        std::string text = TShellKit::FileExists(result) ? TShellKit::ReadFileText(result) : "";
        for (const auto& [key, value] : keys) text = SetIniKey(text, "mysqld", key, ServerFileText(value));
        TShellKit::WriteFileText(result, text);
    };
    Guarded([&] {
        writeKeys(MyIniKeys(ServerPath(BinDir), ServerPath(TShellKit::GetAppPath() + "data"), MySqlPort));
        if (!RunsFromCdRom()) return;
        Guarded([&] {
            const std::string data =
                CopyToWorkDir(TShellKit::GetAppPath() + "data", WorkDir, "data");
            writeKeys({{"datadir", QuotedValue(SlashForm(ServerPath(data)))}});
        });
    });
    return result;
}
