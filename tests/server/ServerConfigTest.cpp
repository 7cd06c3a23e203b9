#include <doctest/doctest.h>
#include <xmmintrin.h>

#include "RunnerFixture.h"
#include "server/ServerPaths.h"
#include "server/ServerText.h"
#include "tools/TempFolder.h"
#include "util/Errors.h"
#include "util/ShellKit.h"
#include "util/Text.h"
#include "util/Utf.h"

namespace {

// A runner with the settings extracted and the folders of a hard-disk start.
struct ConfiguredRunner : TFakeWindow {
    ConfiguredRunner() {
        WorkDir = TShellKit::GetWorkDir();
        ConfigIniPath = ExtractConfigFile();
        BinDir = BinPath();
        WebPort = 8080;
    }
};

std::string WorkFile(const std::string& name) { return TShellKit::GetWorkDir() + "\\" + name; }

}  // namespace

TEST_CASE("Config.ini comes from the executable at every start; Brand.ini from Config.ini") {
    ConfiguredRunner runner;
    runner.WriteConfigValue("title", "Edited by hand");
    runner.WriteConfigValue("iconfile", "C:\\icon.ico");
    runner.WriteConfigValue("splashfilename", "C:\\splash.png");

    runner.BrandIniPath = runner.GetBrandIniPath();
    CHECK(runner.BrandIniPath == WorkFile("Brand.ini"));
    // A copy of every byte, but for the two chosen files.
    CHECK(ReadText(runner.BrandIniPath) ==
          SetIniKey(SetIniKey(ReadText(runner.ConfigIniPath), "INI", "iconfile", ""), "INI", "splashfilename", ""));
    CHECK(runner.ReadBrandValue("title") == "Edited by hand");
    CHECK(runner.ReadBrandValue("iconfile").empty());
    CHECK(runner.ReadBrandValue("splashfilename").empty());
    runner.WriteBrandValue("port", "8081");
    CHECK(runner.ReadBrandValue("port") == "8081");

    CHECK(runner.TRunner::ExtractConfigFile() == WorkFile("Config.ini"));
    CHECK(runner.ReadConfigValue("title") == "Vadrome");
    CHECK(runner.ReadConfigValue("iconfile").empty());
    CHECK(runner.ReadConfigValue("no such key").empty());
}

TEST_CASE("the browser control's mode for this executable's own file name, as Config.ini says") {
    const std::wstring exe = Widen(TShellKit::GetExeFileName().substr(TShellKit::GetAppPath().size()));
    ConfiguredRunner runner;
    for (const char* setting : {" 11000 ", "0", "", "edge"}) {  // a number, then what writes nothing
        runner.WriteConfigValue("browseremulation", setting);
        runner.RegisterBrowserEmulation();
        DWORD mode = 0, size = sizeof(mode);
        RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\"
                     L"FEATURE_BROWSER_EMULATION", exe.c_str(), RRF_RT_REG_DWORD, nullptr, &mode, &size);
        CHECK(mode == 11000u);
    }
}

TEST_CASE("httpd.conf and php.ini: every token replaced, folders in slash form") {
    Distribution distribution;
    ConfiguredRunner runner;
    runner.WriteConfigValue("ip", "all");
    runner.MySqlPort = 3307;

    const std::string conf = ReadText(runner.WriteHttpdConf());
    const std::string app = SlashForm(AppPath());
    CHECK(conf == "Listen 0.0.0.0:8080\r\nDocumentRoot \"" + app + "www\"\r\nServerRoot \"" + app +
                      "bin/apache\"\r\nPHPIniDir \"" + SlashForm(runner.WorkDir) +
                      "\"\r\n# again: 0.0.0.0 8080\r\n");

    SUBCASE("sendmail.exe missing: empty value") {
        const std::string ini = ReadText(runner.WritePhpIni());
        CHECK(ini == "mysql.default_port=3307\nsendmail_path=\"\"\nextension_dir=\"" + app +
                         "bin/php/ext\"\n");
    }
    SUBCASE("sendmail.exe present: its short form") {
        distribution.AddFile("bin\\apache\\sendmail.exe");
        const std::string shortPath = TShellKit::GetShortPath(BinPath() + "\\apache\\sendmail.exe");
        REQUIRE_FALSE(shortPath.empty());
        CHECK(ReadText(runner.WritePhpIni()).find("sendmail_path=\"" + SlashForm(shortPath) + "\"") !=
              std::string::npos);
    }
    SUBCASE("a missing template leaves the previous output") {
        runner.WritePhpIni();
        const std::string before = ReadText(WorkFile("php.ini"));
        DeleteFileA((BinPath() + "\\apache\\php.ini").c_str());
        runner.MySqlPort = 4000;
        CHECK(runner.WritePhpIni() == WorkFile("php.ini"));
        CHECK(ReadText(WorkFile("php.ini")) == before);
    }
}

TEST_CASE("my.ini: four keys updated, keys set by hand survive") {
    Distribution distribution;
    ConfiguredRunner runner;
    runner.MySqlPort = 3310;
    WriteText(WorkFile("my.ini"), "[mysqld]\r\nport=1\r\nkey_buffer=16M\r\n");

    const std::string path = runner.WriteMyIni();
    auto value = [&](const char* key) { return TShellKit::IniReadString(path, "mysqld", key); };
    CHECK(value("key_buffer") == "16M");
    CHECK(value("port") == "3310");
    CHECK(value("bind-address") == "127.0.0.1");
    // The profile service drops one pair of quotes on reading; the file keeps them.
    CHECK(ReadText(path).find("basedir=\"" + SlashForm(BinPath()) + "/mysql\"") != std::string::npos);
    CHECK(ReadText(path).find("datadir=\"" + SlashForm(AppPath()) + "data\"") != std::string::npos);
}

TEST_CASE("on a CD-ROM: bin and data always copied, www only when asked, copies writable") {
    Distribution distribution;
    ConfiguredRunner runner;
    runner.cdRom = true;
    SetFileAttributesA((AppPath() + "www\\index.html").c_str(), FILE_ATTRIBUTE_READONLY);
    const std::string work = SlashForm(runner.WorkDir);

    CHECK(ReadText(runner.WriteHttpdConf()).find("DocumentRoot \"" + SlashForm(AppPath()) + "www\"") !=
          std::string::npos);

    runner.WriteConfigValue("copyfilestoharddisk", "1");
    CHECK(ReadText(runner.WriteHttpdConf()).find("DocumentRoot \"" + work + "/www\"") != std::string::npos);
    const DWORD copied = GetFileAttributesA((runner.WorkDir + "\\www\\index.html").c_str());
    REQUIRE(copied != INVALID_FILE_ATTRIBUTES);
    CHECK((copied & FILE_ATTRIBUTE_READONLY) == 0);

    CHECK(ReadText(runner.WriteMyIni()).find("datadir=\"" + work + "/data\"") != std::string::npos);
    CHECK(TShellKit::FileExists(runner.WorkDir + "\\data\\readme.txt"));

    CHECK(runner.ResolveBinDir() == runner.WorkDir + "\\bin");
    CHECK(TShellKit::FileExists(runner.WorkDir + "\\bin\\apache\\httpd.conf"));
    SetFileAttributesA((AppPath() + "www\\index.html").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_CASE("folders the system's code page cannot name reach the servers in a form it can") {
    Distribution distribution;
    ConfiguredRunner runner;
    const TempFolder temp;
    // "Zoë Test\Мой сайт 1"
    const std::string folder = temp / "Zo\xC3\xAB Test\\\xD0\x9C\xD0\xBE\xD0\xB9 \xD1\x81\xD0\xB0\xD0\xB9\xD1\x82 1";
    REQUIRE(TShellKit::ForceDirectories(folder));
    // Our own process reads UTF-8; the servers do not.
    REQUIRE(GetACP() == CP_UTF8);
    REQUIRE_FALSE(ToCodePage(folder, SystemAnsiCodePage()));
    const std::string shortFolder = TShellKit::GetShortPath(folder);
    REQUIRE(IsAscii(shortFolder));

    SUBCASE("an existing folder and what is yet to be made in it: the short form") {
        CHECK(ServerPath(folder) == shortFolder);
        CHECK(ServerPath(folder + "\\my.ini") == shortFolder + "\\my.ini");
        runner.WorkDir = folder;
        CHECK(ReadText(runner.WriteHttpdConf()).find("PHPIniDir \"" + SlashForm(shortFolder) + "\"") !=
              std::string::npos);
    }
    SUBCASE("no ASCII form but one the code page holds: that one, in the code page") {
        const auto name = ToCodePage("missing Zo\xC3\xAB", SystemAnsiCodePage());
        if (!name) return;  // a system code page without "ë" has nothing to show here
        runner.BinDir = temp / "missing Zo\xC3\xAB";
        const std::string myIni = ReadText(runner.WriteMyIni());
        CHECK(myIni.find("basedir=\"" + SlashForm(TShellKit::GetShortPath(temp.Path())) + "/" + *name +
                         "/mysql\"") != std::string::npos);
        CHECK(myIni.find("Zo\xC3\xAB") == std::string::npos);
    }
    SUBCASE("no form at all: refused, naming the path") {
        const std::string missing = folder + "\\\xD0\xBD\xD0\xB5\xD1\x82";  // "нет", not made
        CHECK(ServerPathOrSelf(missing) == missing);
        CHECK_THROWS_WITH_AS(ServerPath(missing), doctest::Contains(missing.c_str()), Exception);
    }
}

TEST_CASE("floating-point exceptions end up masked in x87 and SSE") {
    const unsigned short unmasked = 0x037F & ~0x3F;
    asm volatile("fldcw %0" : : "m"(unmasked));
    _mm_setcsr(_mm_getcsr() & ~_MM_MASK_MASK);

    MaskFloatingPointExceptions();

    unsigned short control = 0;
    asm volatile("fnstcw %0" : "=m"(control));
    CHECK((control & 0x0F3F) == 0x033F);  // masks set, 64-bit precision, round to nearest
    CHECK((_mm_getcsr() & _MM_MASK_MASK) == _MM_MASK_MASK);
}
