// The command-line modes as the real executable runs them.
#include <doctest/doctest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "ModeRun.h"
#include "StampFiles.h"
#include "util/Handles.h"
#include "util/ShellKit.h"
#include "util/Utf.h"
#include "tools/DemoWebServer.h"
#include "tools/ProcessSweep.h"
#include "tools/WindowSearch.h"

namespace {

using namespace std::chrono_literals;
using TClock = std::chrono::steady_clock;

const std::string Vadrome = WinPath(VADROME_EXE);

// The runner a mode starts at its end: true once its main window showed.
// The restart goes through a first launch and its relaunch, each of which may
// be slow on a loaded machine, so the chain is let run to its end (the main
// window) before every copy is ended; a copy left behind would outlive the test.
bool EndRestartedRunner(const std::string& exe) {
    bool shown = false;
    for (const auto deadline = TClock::now() + 60s; !shown && TClock::now() < deadline;
         std::this_thread::sleep_for(100ms)) {
        for (int id : TShellKit::FindProcessesByPath(exe))
            shown = shown || FindVisibleWindowOf(static_cast<DWORD>(id), L"TfrmMain") != nullptr;
    }
    SweepProcessesOf(exe);
    return shown;
}

}  // namespace

TEST_CASE("stamping children rewrite one resource each and keep the target runnable") {
    TTestFolder folder;
    const std::string target = CopyTo(folder / "target.exe", STAMP_TARGET_CHINESE);
    const std::string config("no ini at all\0\x7F\xFF", 17);
    WriteBytes(folder / "config.bin", config);
    WriteBytes(folder / "icon.ico", IconFileOf({{32, "thirty-two"}, {16, "sixteen"}}));
    WriteBytes(folder / "splash.png", "png bytes");

    // "/setup" runs "/config", "/icon" and "/splash" as children; the last word keeps the target closed.
    TRunningTarget running(target);
    CHECK(Run(Vadrome, "/setup " + Quoted(target) + " " + Quoted(folder / "config.bin") + " " +
                           Quoted(folder / "icon.ico") + " " + Quoted(folder / "splash.png") + " nolaunch")
              .exitCode == 0);
    CHECK(ResourceBytes(target, RT_RCDATA, L"RES_CONFIG_INI", 0) == config);
    CHECK(ResourceBytes(target, RT_ICON, MAKEINTRESOURCEW(2), 1033) == "sixteen");
    CHECK(ResourceBytes(target, RT_RCDATA, L"RES_SPLASH", 0) == "png bytes");
    CHECK(ResourceBytes(target, RT_RCDATA, L"RES_OTHER", 0) == "other resource");
    CHECK_FALSE(Exists(target + ".pid"));

    const std::string stamped = ReadBytes(target);
    CHECK(Run(Vadrome, "/config " + Quoted(target) + " " + Quoted(folder / "missing.ini")).exitCode == 0);
    CHECK(ReadBytes(target) == stamped);

    UniqueHandle process = Start(target);
    CHECK(running.Started());
}

TEST_CASE("an icon error ends the child with the error box and exit code 1") {
    TTestFolder folder;
    const std::string target = CopyTo(folder / "target.exe", STAMP_TARGET_NO_ICON);
    const std::string before = ReadBytes(target);
    WriteBytes(folder / "icon.ico", IconFileOf({{16, "image"}}));

    const TRun run = Run(Vadrome, "/icon " + Quoted(target) + " " + Quoted(folder / "icon.ico"));
    CHECK(run.exitCode == 1);
    CHECK(run.boxText.rfind("Application Error\n", 0) == 0);
    CHECK(run.boxText.find("Resource update error: FindResource failed (1)(") != std::string::npos);
    CHECK(ReadBytes(target) == before);
}

TEST_CASE("rename replaces a running, read-only target, deletes the source and starts the result") {
    TTestFolder folder;
    const std::string target = CopyTo(folder / "target.exe", STAMP_TARGET_EN_US);
    const std::string source = CopyTo(folder / "source.exe", STAMP_TARGET_NO_ICON);
    const std::string newBytes = ReadBytes(source);
    TRunningTarget running(target);
    UniqueHandle old = Start(target);
    REQUIRE(running.Started());
    REQUIRE(SetFileAttributesW(Widen(target).c_str(), FILE_ATTRIBUTE_READONLY));
    DeleteFileW(Widen(target + ".pid").c_str());

    CHECK(Run(Vadrome, "rename " + Quoted(source) + " " + Quoted(target)).exitCode == 0);
    CHECK(WaitForSingleObject(old.Get(), 0) == WAIT_OBJECT_0);
    CHECK(ReadBytes(target) == newBytes);
    CHECK_FALSE(Exists(source));
    CHECK(running.Started());
    CHECK_FALSE(Exists(target + ".new"));
}

TEST_CASE("a rename whose write fails keeps the old target whole, says what failed and starts it again") {
    TTestFolder folder;
    const std::string target = CopyTo(folder / "target.exe", STAMP_TARGET_EN_US);
    const std::string source = CopyTo(folder / "source.exe", STAMP_TARGET_NO_ICON);
    const std::string oldBytes = ReadBytes(target);
    // The new bytes cannot be written where they are staged.
    CreateDirectoryW(Widen(target + ".new").c_str(), nullptr);
    TRunningTarget running(target);

    const TRun run = Run(Vadrome, "rename " + Quoted(source) + " " + Quoted(target));
    CHECK(run.exitCode == 1);
    CHECK(run.boxText.find(target + ".new") != std::string::npos);
    CHECK(ReadBytes(target) == oldBytes);
    CHECK(Exists(source));
    CHECK(running.Started());
}

TEST_CASE("a stamp that does not take is an error, and \"/setup\" says its settings did not go in") {
    TTestFolder folder;
    const std::string target = folder / "target.exe";
    WriteBytes(target, "not an executable");
    WriteBytes(folder / "Config.ini", "[INI]\r\nport=8080");
    const std::string files = Quoted(target) + " " + Quoted(folder / "Config.ini");
    for (const std::string mode : {"/config", "/splash"}) {
        const TRun run = Run(Vadrome, mode + " " + files);
        CHECK(run.exitCode == 1);
        CHECK(run.boxText.find("Cannot write resource RES_") != std::string::npos);
    }
    // No icon, no image, not started: its child's box, then its own.
    const TRun setup = Run(Vadrome, "/setup " + files + " none none nolaunch");
    CHECK(setup.exitCode == 1);
    CHECK(setup.boxText.find("Cannot write resource RES_CONFIG_INI") != std::string::npos);
    CHECK(setup.boxText.find("The new settings could not be stamped into \"" + target + "\"") != std::string::npos);
}

namespace {

// Every file a distribution may carry, with the folders "downsize" knows.
const std::string DistributionFiles =
    "data/db/table.frm data/phpmyadmin/x.dat bin/mysql/bin/mysqld.exe bin/Apache/libmysql.dll "
    "bin/Apache/sqlite3.dll bin/Apache/sendmail.exe bin/Apache/sendmail.ini bin/Apache/libmcrypt.dll "
    "bin/Apache/libmhash.dll bin/Apache/libeay32.dll bin/Apache/ssleay32.dll bin/php/Zend/z.dll "
    "bin/php/ionCube/i.dll www/phpmyadmin/index.php www/index.php bin/php/ext/php_mysql.dll "
    "bin/php/ext/php_mysqli.dll bin/php/ext/php_pdo_mysql.dll bin/php/ext/php_pdo_sqlite_external.dll "
    "bin/php/ext/php_sqlite.dll bin/php/ext/php_gd2.dll bin/php/ext/php_mbstring.dll bin/php/ext/php_exif.dll "
    "bin/php/ext/php_imap.dll bin/php/ext/php_curl.dll bin/php/ext/php_mcrypt.dll bin/php/ext/php_mhash.dll "
    "bin/php/ext/php_sockets.dll bin/php/ext/php_mime_magic.dll bin/php/ext/magic.mime "
    "bin/php/ext/php_openssl.dll bin/php/ext/php_xmlrpc.dll bin/php/ext/php_pdo.dll bin/Apache/httpd.conf "
    "bin/Apache/php.ini";

std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    for (size_t at = 0, end; at < text.size(); at = end + 1) {
        end = std::min(text.find(' ', at), text.size());
        words.push_back(text.substr(at, end - at));
    }
    return words;
}

void MakeDistribution(const TTestFolder& folder) {
    for (const std::string& file : Words(DistributionFiles)) {
        const std::string path = WinPath(folder.Path() + "/" + file);
        for (size_t at = folder.Path().size() + 1; (at = path.find('\\', at)) != std::string::npos; ++at)
            CreateDirectoryW(Widen(path.substr(0, at)).c_str(), nullptr);
        WriteBytes(path, "x");
    }
    CopyDemoWebServer(WinPath(folder.Path()));
    WriteBytes(folder / "bin\\Favorites.ini",
               "[DIRS]\r\nMySQL data directory=data\r\nSite=www\r\n[URLS]\r\nphpMyAdmin=/phpmyadmin/\r\nHome=/\r\n");
}

std::string Missing(const TTestFolder& folder) {
    std::string missing;
    for (const std::string& file : Words(DistributionFiles))
        if (!Exists(WinPath(folder.Path() + "/" + file))) missing += (missing.empty() ? "" : " ") + file;
    return missing;
}

std::string Downsize(const TTestFolder& folder, const std::string& flags) {
    const std::string exe = CopyTo(folder / "vadrome.exe", VADROME_EXE);
    CHECK(Run(exe, "downsize " + flags).exitCode == 0);
    CHECK(EndRestartedRunner(exe));
    return ReadBytes(folder / "bin\\Favorites.ini");
}

}  // namespace

TEST_CASE("downsize deletes exactly the rows asked for, then the unused libraries") {
    TTestFolder folder;
    MakeDistribution(folder);
    // MySQL, SQLite, multibyte strings, IMAP, cURL and OpenSSL; EXIF kept by its own flag.
    const std::string favorites = Downsize(folder, "1 1 0 0 0 yes 1 1 0 0 0 0 0 1 0 0");

    CHECK(Missing(folder) ==
          "data/db/table.frm data/phpmyadmin/x.dat bin/mysql/bin/mysqld.exe bin/Apache/libmysql.dll "
          "bin/Apache/sqlite3.dll bin/Apache/sendmail.exe bin/Apache/sendmail.ini bin/Apache/libeay32.dll "
          "bin/Apache/ssleay32.dll bin/php/ext/php_mysql.dll bin/php/ext/php_mysqli.dll "
          "bin/php/ext/php_pdo_mysql.dll bin/php/ext/php_pdo_sqlite_external.dll bin/php/ext/php_sqlite.dll "
          "bin/php/ext/php_mbstring.dll bin/php/ext/php_exif.dll bin/php/ext/php_imap.dll "
          "bin/php/ext/php_curl.dll bin/php/ext/php_openssl.dll bin/php/ext/php_pdo.dll");
    CHECK(favorites.find("MySQL data directory") == std::string::npos);
    CHECK(favorites.find("Site=www") != std::string::npos);
    CHECK(favorites.find("phpMyAdmin=") != std::string::npos);
}

TEST_CASE("downsize keeps what its flags keep, missing flags included") {
    TTestFolder folder;
    MakeDistribution(folder);
    // Six flags: the ten not given keep their components too.
    Downsize(folder, "0 0 0 0 0 0");
    CHECK(Missing(folder).empty());
}

TEST_CASE("downsize gives up on a copy that keeps running: its box, exit code 1, nothing removed") {
    TTestFolder folder;
    MakeDistribution(folder);
    const std::string exe = CopyTo(folder / "vadrome.exe", VADROME_EXE);
    WriteBytes(folder / "splash.ini", "[INI]\r\n");
    UniqueHandle splash = Start(exe, "splash " + Quoted(folder / "splash.ini"));
    REQUIRE(WaitFor([&] { return TShellKit::FindProcessesByPath(exe).size() == 1; }));
    const TRun run = Run(exe, "downsize 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1");
    TerminateProcess(splash.Get(), 0);
    CHECK(run.exitCode == 1);
    CHECK(run.boxText.find("is still running, so nothing was removed.") != std::string::npos);
    CHECK(Missing(folder).empty());
}

TEST_CASE("stamping the runner itself replaces its settings and splash rather than adding beside them") {
    TTestFolder folder;
    const std::string runner = CopyTo(folder / "runner.exe", VADROME_EXE);
    WriteBytes(folder / "Config.ini", "[INI]\r\nport=8080");
    WriteBytes(folder / "splash.png", "new splash");

    CHECK(Run(Vadrome, "/config " + Quoted(runner) + " " + Quoted(folder / "Config.ini")).exitCode == 0);
    CHECK(Run(Vadrome, "/splash " + Quoted(runner) + " " + Quoted(folder / "splash.png")).exitCode == 0);
    // One copy each, under the neutral language the stamps write: a second
    // copy under another language would be the one the runner reads.
    CHECK(ResourceLanguages(runner, RT_RCDATA, L"RES_CONFIG_INI") == std::vector<WORD>{0});
    CHECK(ResourceLanguages(runner, RT_RCDATA, L"RES_SPLASH") == std::vector<WORD>{0});
    CHECK(ResourceBytes(runner, RT_RCDATA, L"RES_CONFIG_INI", 0) == "[INI]\r\nport=8080");
}
