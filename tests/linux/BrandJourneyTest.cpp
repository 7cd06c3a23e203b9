// Branding the Linux runner end to end: the stamping modes on copies, then
// Customize and the address change through the real runner and its servers.
#include <doctest/doctest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "RunnerKit.h"
#include "util/linux/Files.h"

namespace {

std::string Q(const std::string& text) { return "'" + text + "'"; }

// A mode of the program without a display (no error box to wait for): its
// exit code, its stderr in *errors.
int RunMode(const std::string& exe, const std::string& arguments, std::string* errors = nullptr) {
    const std::string log = exe + ".mode.log";
    const int status = std::system(("env -u DISPLAY " + Q(exe) + " " + arguments + " 2>" + Q(log)).c_str());
    if (errors) *errors = LinuxFiles::ReadFile(log);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Entry(const std::string& exe, const std::string& name) {
    const TEmbeddedData data = LinuxFiles::ReadEmbeddedData(exe);
    const auto found = data.find(name);
    return found == data.end() ? "(none)" : found->second;
}

// The ELF image, without the data appended to it.
std::string Image(const std::string& exe) {
    const std::string file = LinuxFiles::ReadFile(exe);
    return file.substr(0, file.size() - EmbeddedTrailerSize - ParseEmbeddedTrailer(file)->EntriesLength);
}

}  // namespace

TEST_CASE("the stamping modes write the embedded data of a copy byte for byte; a file that is not a runner, or "
          "an icon that is not one, fails with its message and exit code 1 and stays as it was") {
    TSite site("Stamp");
    const std::string copy = site.Root + "/copy of vadrome", config = site.Root + "/brand.ini",
                      icon = site.Root + "/brand.ico", image = site.Root + "/brand.png";
    REQUIRE(std::system(("cp " + Q(site.Exe) + " " + Q(copy) + " && convert -size 48x48 xc:red " + Q(icon) +
                         " && convert -size 300x120 xc:navy " + Q(image)).c_str()) == 0);
    LinuxFiles::WriteFileReplacing(config, std::string("[INI]\r\ntitle=\"  Brand \xc3\xa9\"\r\nport=8123\r\n\0end", 42));
    const std::string image0 = Image(copy);

    CHECK(RunMode(site.Exe, "/config " + Q(copy) + " " + Q(config)) == 0);
    CHECK(RunMode(site.Exe, "/ICON " + Q(copy) + " " + Q(icon)) == 0);
    CHECK(RunMode(site.Exe, "/splash " + Q(copy) + " " + Q(image)) == 0);
    CHECK(Entry(copy, "RES_CONFIG_INI") == LinuxFiles::ReadFile(config));
    CHECK(Entry(copy, "MAINICON") == LinuxFiles::ReadFile(icon));
    CHECK(Entry(copy, "RES_SPLASH") == LinuxFiles::ReadFile(image));
    CHECK(Image(copy) == image0);
    CHECK(::access(copy.c_str(), X_OK) == 0);
    CHECK(!LinuxFiles::FileExists(copy + ".new"));

    // /setup stamps all three through its children and, with a sixth word, starts nothing.
    const std::string setupCopy = site.Root + "/setup copy";
    REQUIRE(std::system(("cp " + Q(site.Exe) + " " + Q(setupCopy)).c_str()) == 0);
    CHECK(RunMode(site.Exe, "/setup " + Q(setupCopy) + " " + Q(config) + " " + Q(icon) + " " + Q(image) + " no") == 0);
    CHECK(LinuxFiles::ReadFile(setupCopy) == LinuxFiles::ReadFile(copy));

    std::string errors;
    const std::string text = site.Root + "/notes.txt";
    LinuxFiles::WriteFileReplacing(text, "not a program\n");
    CHECK(RunMode(site.Exe, "/config " + Q(text) + " " + Q(config), &errors) == 1);
    CHECK(errors.find("is not a runner") != std::string::npos);
    CHECK(LinuxFiles::ReadFile(text) == "not a program\n");

    CHECK(RunMode(site.Exe, "/icon " + Q(copy) + " " + Q(config), &errors) == 1);
    CHECK(errors.find("Resource update error: Icon file is invalid.") != std::string::npos);
    CHECK(Entry(copy, "MAINICON") == LinuxFiles::ReadFile(icon));

    // Too few arguments or a missing source: nothing at all, exit code 0.
    CHECK(RunMode(site.Exe, "/config " + Q(copy)) == 0);
    CHECK(RunMode(site.Exe, "/splash " + Q(copy) + " " + Q(site.Root + "/missing.png")) == 0);
    CHECK(Entry(copy, "RES_SPLASH") == LinuxFiles::ReadFile(image));

    // "downsize" with only phpMyAdmin's flag: its folder and favorite go, the rest stays.
    REQUIRE(std::system(("mkdir -p " + Q(site.Dir + "/www/phpmyadmin/js")).c_str()) == 0);
    LinuxFiles::WriteFileReplacing(site.Dir + "/bin/Favorites.ini", "[URLS]\nphpMyAdmin=x\nHome=y\n");
    CHECK(RunMode(site.Exe, "downsize 0 0 0 0 0 0 0 0 0 0 0 0 1") == 0);
    CHECK(!LinuxFiles::DirectoryExists(site.Dir + "/www/phpmyadmin"));
    CHECK(LinuxFiles::DirectoryExists(site.Dir + "/data/mysql"));
    CHECK(LinuxFiles::ReadFile(site.Dir + "/bin/Favorites.ini") == "[URLS]\nHome=y\n");
}

namespace {

const unsigned RestartBoundMs = 90000;

std::string FirstVisible(const std::string& pattern) {
    std::string window;
    WaitUntil(ShowBoundMs, [&] {
        const auto windows = OnScreen::VisibleWindows(pattern);
        if (!windows.empty()) window = windows.front();
        return !window.empty();
    });
    return window;
}

std::string Property(const std::string& window, const std::string& name) {
    return Output("xprop -id " + window + " " + name + " 2>/dev/null");
}

pid_t ParentOf(pid_t pid) {
    const std::string stat = Output("cat /proc/" + std::to_string(pid) + "/stat 2>/dev/null");
    const size_t end = stat.rfind(')');
    return end == std::string::npos ? 0 : std::atoi(stat.substr(stat.find(' ', end + 2) + 1).c_str());
}

// The runners of the site, whoever started them; not a runner's child between fork and exec.
std::vector<THeldProcess> Runners(const TSite& site) {
    std::vector<THeldProcess> runners = HoldProcessesWhere(
        [&](const TArguments& arguments) { return arguments.size() == 1 && arguments[0] == site.Exe; });
    std::vector<pid_t> ids;
    for (const THeldProcess& runner : runners) ids.push_back(runner.Id());
    std::erase_if(runners, [&](const THeldProcess& runner) { return std::ranges::count(ids, ParentOf(runner.Id())) > 0; });
    return runners;
}

// A key into that window, given the focus first (no window manager gives it).
void KeyTo(const std::string& window, const std::string& key) {
    REQUIRE(!window.empty());
    REQUIRE(std::system(("xdotool windowfocus --sync " + window).c_str()) == 0);
    OnScreen::Key(key);
}

void TypeTo(const std::string& text) { REQUIRE(std::system(("xdotool type --delay 20 " + Q(text)).c_str()) == 0); }

// Opens Customize from the main window with its key.
std::string OpenCustomize(const std::string& mainWindow) {
    REQUIRE(std::system(("xdotool windowfocus --sync " + mainWindow).c_str()) == 0);
    OnScreen::Key("ctrl+shift+F11");
    return FirstVisible("^Customize$");
}

// Fills the three fields from the top (the title has the focus first), then OK and Yes.
void FillCustomize(const std::string& title, const std::string& icon, const std::string& image) {
    OnScreen::Key("ctrl+a");
    TypeTo(title);
    OnScreen::Key("Tab ctrl+a");
    TypeTo(icon);
    OnScreen::Key("Tab ctrl+a");
    TypeTo(image);
    OnScreen::Key("Return");
    FirstVisible("^Confirm$");
    OnScreen::Key("Return");
}

std::string Logs(const TSite& site) {
    return LinuxFiles::ReadFile(site.Root + "/runner.log") + site.WorkFile("httpd.log") + site.WorkFile("mysqld.log");
}

// Waits for the old runner to end, then for a new one serving the site. The
// database was stopped cleanly when its next start needs no crash recovery
// (each start writes a fresh log).
template <class TProcess>
std::string CameBack(const TSite& site, TProcess& oldRunner) {
    if (!WaitUntil(RestartBoundMs, [&] { return !oldRunner.Running(); })) return "the old runner runs on";
    if (!WaitUntil(RestartBoundMs, [&] { return Runners(site).size() == 1; })) return "no new runner";
    if (site.WaitForHomePage().empty()) return "no home page";
    if (site.WorkFile("mysqld.log").find("crash recovery") != std::string::npos) return "crash recovery";
    return "back";
}

// Closes the runner's window and waits for it and its servers to end, the database cleanly.
void CloseRunner(const TSite& site, const THeldProcess& runner) {
    const long long shutdowns = Count(site.WorkFile("mysqld.log"), "mysqld: Shutdown complete");
    CHECK(WaitUntil(ShowBoundMs, [&] { return CloseWindowsOf(runner.Id(), false); }));
    CHECK(CloseWindowsOf(runner.Id()));
    CHECK(WaitUntil(10000, [&] { return !runner.Running() && site.Servers().empty(); }));
    CHECK(Count(site.WorkFile("mysqld.log"), "mysqld: Shutdown complete") == shutdowns + 1);
}

}  // namespace

TEST_CASE("Customize: the runner comes back branded (title, icon, splash, window class), its servers stopped "
          "cleanly and started again; Cancel changes nothing; an unwritable folder leaves it running") {
    TSite site("Customize");
    const std::string icon = site.Root + "/brand.ico", image = site.Root + "/brand.png";
    REQUIRE(std::system(("convert -size 48x48 xc:red " + Q(icon) + " && convert -size 300x120 xc:navy " + Q(image)).c_str()) == 0);
    TChildProcess runner = site.Start();
    REQUIRE_MESSAGE(!site.WaitForHomePage().empty(), LinuxFiles::ReadFile(site.Root + "/runner.log"));
    std::string mainWindow = FirstVisible("Guest Book");
    const std::string oldIcon = Property(mainWindow, "_NET_WM_ICON");

    // Cancel: nothing written, nothing started, the runner the same.
    const std::string brandIni = site.WorkFile("Brand.ini"), exe = LinuxFiles::ReadFile(site.Exe);
    OpenCustomize(mainWindow);
    OnScreen::Screenshot("customize.png");
    OnScreen::Key("Escape");
    CHECK(WaitUntil(ShowBoundMs, [] { return OnScreen::VisibleWindows("^Customize$").empty(); }));
    CHECK(site.WorkFile("Brand.ini") == brandIni);
    CHECK(runner.Running());

    OpenCustomize(mainWindow);
    FillCustomize("Brand Neu", icon, image);
    REQUIRE_MESSAGE(CameBack(site, runner) == "back", Logs(site));
    CHECK(Entry(site.Exe, "MAINICON") == LinuxFiles::ReadFile(icon));
    CHECK(Entry(site.Exe, "RES_SPLASH") == LinuxFiles::ReadFile(image));
    mainWindow = FirstVisible("Brand Neu");
    CHECK(Property(mainWindow, "_NET_WM_NAME").find("Brand Neu") != std::string::npos);
    CHECK(Property(mainWindow, "WM_CLASS").find("\"Brand Neu\"") != std::string::npos);
    const std::string newIcon = Property(mainWindow, "_NET_WM_ICON");
    CHECK(newIcon != oldIcon);
    CHECK(newIcon.find("Icon (48 x 48)") != std::string::npos);
    const std::string files = Output("ls -A " + Q(std::string(std::getenv("VADROME_LINUX_DEMO"))));
    CHECK(Output("ls -A " + Q(site.Dir)) == files);

    // An icon the stamp rejects: its child says so, the rest is stamped, the old icon stays.
    const std::string badIcon = site.Root + "/bad.ico";
    LinuxFiles::WriteFileReplacing(badIcon, "MZ not an icon");
    std::vector<THeldProcess> branded = Runners(site);
    REQUIRE(branded.size() == 1);
    OpenCustomize(mainWindow);
    FillCustomize("Brand Zwei", badIcon, "");
    KeyTo(FirstVisible("^Application Error$"), "Return");
    REQUIRE_MESSAGE(CameBack(site, branded.front()) == "back", Logs(site));
    CHECK(Entry(site.Exe, "MAINICON") == LinuxFiles::ReadFile(icon));
    CHECK(Entry(site.Exe, "RES_CONFIG_INI").find("title=\"Brand Zwei\"") != std::string::npos);
    CHECK(Output("ls -A " + Q(site.Dir)) == files);

    // A folder nobody may write to: the runner says so and runs on, nothing left behind.
    branded = Runners(site);
    REQUIRE(branded.size() == 1);
    mainWindow = FirstVisible("Brand Zwei");
    const std::string dir = Q(site.Dir);
    // A read-only view of the folder over it needs the right to mount.
    if (std::system(("mount --bind " + dir + " " + dir + " 2>/dev/null").c_str()) != 0) {
        MESSAGE("mounting is not allowed here: the unwritable folder is not shown");
    } else {
        CHECK(std::system(("mount -o remount,ro,bind " + dir).c_str()) == 0);
        OpenCustomize(mainWindow);
        FillCustomize("Brand Drei", "", "");
        const std::string error = FirstVisible("^Error$");
        OnScreen::Screenshot("customize-unwritable.png");
        KeyTo(error, "Return");
        CHECK(WaitUntil(ShowBoundMs, [] { return OnScreen::VisibleWindows("^Error$").empty(); }));
        CHECK(std::system(("umount " + dir).c_str()) == 0);
    }
    CHECK(branded.front().Running());
    CHECK(Output("ls -A " + Q(site.Dir)) == files);
    CHECK(!site.WaitForHomePage(5000).empty());
    CloseRunner(site, branded.front());
}

TEST_CASE("Change IP Address or Port from the tray menu: the runner comes back on the new port and the site "
          "answers there; the copy's private folder is gone") {
    TSite site("Port");
    const TTrayHost tray(site.Root + "/trayer.log");
    const std::string temp = site.Root + "/tmp";
    REQUIRE(std::system(("mkdir -p " + Q(temp)).c_str()) == 0);
    ::setenv("TMPDIR", temp.c_str(), 1);
    TChildProcess runner = site.Start();
    REQUIRE_MESSAGE(!site.WaitForHomePage().empty(), Logs(site));
    REQUIRE(WaitUntil(ShowBoundMs, [&] { return tray.Icon("Vadrome").Width > 0; }));

    const int newPort = site.ConfiguredPort + 7;
    REQUIRE(tray.OpenMenu("Vadrome", runner.Id()));
    OnScreen::Key("c");
    const std::string dialog = FirstVisible("^Change IP Address or Port$");
    OnScreen::Screenshot("change-port.png");
    REQUIRE(!dialog.empty());
    // Into the port field (at 128, 54 in the dialog) with the pointer.
    const OnScreen::TBounds bounds = OnScreen::Bounds(dialog);
    OnScreen::Click({bounds.Left + 128, bounds.Top + 54, 60, 26}, 1);
    OnScreen::Key("ctrl+a");
    TypeTo(std::to_string(newPort));
    OnScreen::Key("Return");
    FirstVisible("^Confirm$");
    OnScreen::Key("Return");
    REQUIRE_MESSAGE(CameBack(site, runner) == "back", Logs(site));
    CHECK(site.WebPort() == newPort);
    CHECK(Curl("http://127.0.0.1:" + std::to_string(newPort) + "/").find("MariaDB") != std::string::npos);
    CHECK(WaitUntil(ShowBoundMs, [&] { return Output("ls -A " + Q(temp)).empty(); }));
    ::unsetenv("TMPDIR");
    const std::vector<THeldProcess> runners = Runners(site);
    REQUIRE(runners.size() == 1);
    CloseRunner(site, runners.front());
}
