// The Linux runner's splash and tray end to end: the real runner on the demo
// guest book under an XEmbed system tray, driven with the pointer and keys.
#include <doctest/doctest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "RunnerKit.h"
#include "util/linux/Files.h"

namespace {

const char TrayIconName[] = "Vadrome";       // the product's title
const char MainWindowName[] = "Guest Book";  // the page's title in the caption

bool Visible(const std::string& name) { return !OnScreen::VisibleWindows(name).empty(); }

// Clicks closer together than the double-click time and 55 ms count as one.
void PastClickGuard() { std::this_thread::sleep_for(std::chrono::milliseconds(1500)); }

}  // namespace

TEST_CASE("the splash shows until the first page; the tray icon hides and shows the window, opens About, and Exit "
          "ends everything cleanly") {
    TSite site("Tray");
    const TTrayHost tray(site.Root + "/trayer.log");
    const std::string timelinePath = site.Root + "/timeline";
    ::setenv("VADROME_TIMELINE", timelinePath.c_str(), 1);
    TChildProcess runner = site.Start();
    REQUIRE_MESSAGE(!site.WaitForHomePage().empty(), LinuxFiles::ReadFile(site.Root + "/runner.log"));

    // The splash child showed its window before the first page was complete, and is gone after it.
    const auto timeline = [&] { return LinuxFiles::FileExists(timelinePath) ? LinuxFiles::ReadFile(timelinePath) : ""; };
    REQUIRE(WaitUntil(60000, [&] { return timeline().find(" first-page-complete ") != std::string::npos; }));
    CHECK(timeline().find(" splash-shown ") < timeline().find(" first-page-complete "));
    CHECK(WaitUntil(5000, [&] { return site.Splashes().empty(); }));

    // Left click hides and shows; a double click counts once.
    REQUIRE(WaitUntil(ShowBoundMs, [&] { return Visible(MainWindowName) && tray.Icon(TrayIconName).Width > 0; }));
    tray.Raise();
    const OnScreen::TBounds icon = tray.Icon(TrayIconName);
    OnScreen::Click(icon, 1);
    CHECK(WaitUntil(ShowBoundMs, [&] { return !Visible(MainWindowName); }));
    PastClickGuard();
    OnScreen::Click(icon, 1, 2);
    CHECK(WaitUntil(ShowBoundMs, [&] { return Visible(MainWindowName); }));
    PastClickGuard();
    CHECK(Visible(MainWindowName));
    tray.Raise();
    OnScreen::Click(icon, 1, 2);
    CHECK(WaitUntil(ShowBoundMs, [&] { return !Visible(MainWindowName); }));
    PastClickGuard();
    CHECK(!Visible(MainWindowName));
    OnScreen::Click(icon, 1);
    CHECK(WaitUntil(ShowBoundMs, [&] { return Visible(MainWindowName); }));

    // Right click: the menu; About from it, closed with Enter.
    CHECK(tray.OpenMenu(TrayIconName, runner.Id()));
    OnScreen::Screenshot("tray-menu.png");
    OnScreen::Key("a");
    CHECK(WaitUntil(ShowBoundMs, [&] { return Visible("^About$"); }));
    OnScreen::Screenshot("about.png");
    OnScreen::Key("Return");
    CHECK(WaitUntil(ShowBoundMs, [&] { return !Visible("^About$"); }));

    // Exit from the menu stops both servers cleanly.
    const long long shutdowns = Count(site.WorkFile("mysqld.log"), "mysqld: Shutdown complete");
    CHECK(tray.OpenMenu(TrayIconName, runner.Id()));
    OnScreen::Key("x");
    CheckAllEndedCleanly(site, runner, shutdowns);
    CHECK(WIFEXITED(*runner.ExitStatus()));
}

TEST_CASE("the splash process: centred on the screen with the embedded image; showsplash=0 shows nothing") {
    TSite site("Splash");
    const std::string settings = site.Root + "/splash.ini";
    TSpawnOptions options;
    options.Arguments = {site.Exe, "splash", settings};

    LinuxFiles::WriteFileReplacing(settings, "[INI]\nshowsplash=1\n");
    TChildProcess splash = SpawnChild(options);
    REQUIRE(WaitUntil(ShowBoundMs, [&] { return !OnScreen::VisibleWindowsOf(splash.Id()).empty(); }));
    const OnScreen::TBounds bounds = OnScreen::Bounds(OnScreen::VisibleWindowsOf(splash.Id()).front());
    CHECK(bounds.Width == 424);  // the shipped PNG
    CHECK(bounds.Height == 222);
    CHECK(bounds.Left == (1280 - 424) / 2);
    CHECK(bounds.Top == (1024 - 222) / 2);
    OnScreen::Screenshot("splash.png");
    splash.Kill();

    LinuxFiles::WriteFileReplacing(settings, "[INI]\nshowsplash=0\n");
    splash = SpawnChild(options);
    CHECK(splash.WaitFor(ShowBoundMs));
    CHECK(WIFEXITED(*splash.ExitStatus()));
}

// A memory file system over a folder stands for a removable medium; taken
// away (lazily unmounted, as the desktop does with a stick pulled out) at the
// latest when the test ends.
class TMedium {
public:
    explicit TMedium(const std::string& dir) : dir_("'" + dir + "'") {
        mounted_ = std::system(("mount -t tmpfs -o size=400m vadrome-medium " + dir_ + " 2>/dev/null").c_str()) == 0;
    }
    ~TMedium() { Remove(); }
    bool Mounted() const { return mounted_; }
    bool Fill() const { return std::system(("cp -a \"$VADROME_LINUX_DEMO\"/. " + dir_).c_str()) == 0; }
    bool Remove() {
        if (!mounted_) return false;
        mounted_ = false;
        return std::system(("umount -l " + dir_).c_str()) == 0;
    }

private:
    std::string dir_;
    bool mounted_ = false;
};

TEST_CASE("the medium the runner runs from goes away: the runner ends and its servers stop cleanly") {
    TSite site("Medium");
    TMedium medium(site.Dir);
    if (!medium.Mounted()) {
        MESSAGE("mounting is not allowed here: the removed medium is not shown");
        return;
    }
    REQUIRE(medium.Fill());
    TChildProcess runner = site.Start();
    REQUIRE(!site.WaitForHomePage().empty());
    const long long shutdowns = Count(site.WorkFile("mysqld.log"), "mysqld: Shutdown complete");
    REQUIRE(medium.Remove());
    CheckAllEndedCleanly(site, runner, shutdowns);
}
