// The Linux runner's browser windows with Debian's real servers and WebKit,
// driven through pages of a test site: pop-ups where the page asked for them,
// Favorites, a download through the Save dialog, a page's full screen.
#include <doctest/doctest.h>

#include <csignal>
#include <cstdlib>

#include "RunnerKit.h"
#include "util/linux/Files.h"

namespace {

const int ScreenWidth = 1280, ScreenHeight = 1024;  // the display the test runs under

std::string Caption(const std::string& page) { return "^Driven " + page + " - Vadrome$"; }

using OnScreen::TBounds;

TBounds WaitForXWindow(const std::string& page) {
    TBounds window;
    WaitUntil(20000, [&] { return (window = OnScreen::Find(Caption(page))).Width > 0; });
    return window;
}

// Keys as the user types them, to the window that has the focus.
void Keys(const std::string& window, const std::string& keys) {
    OnScreen::Focus(window);
    OnScreen::Key(keys);
}

// A desktop whose text editor is a script that notes the file it was given.
void UseFakeEditor(const TSite& site) {
    const std::string data = site.Root + "/xdg-data", config = site.Root + "/xdg-config";
    LinuxFiles::WriteFileReplacing(site.Root + "/editor.sh",
                                   "#!/bin/sh\nprintf %s \"$1\" > '" + site.Root + "/edited.txt'\n", 0755);
    (void)::system(("mkdir -p '" + data + "/applications' '" + config + "'").c_str());
    LinuxFiles::WriteFileReplacing(data + "/applications/fake-editor.desktop",
                                   "[Desktop Entry]\nType=Application\nName=Fake Editor\nExec='" + site.Root +
                                       "/editor.sh' %f\nMimeType=text/plain;\n");
    LinuxFiles::WriteFileReplacing(config + "/mimeapps.list", "[Default Applications]\ntext/plain=fake-editor.desktop\n");
    ::setenv("XDG_DATA_HOME", data.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
}

}  // namespace

TEST_CASE("pop-ups where pages ask for them, Favorites, a download and full screen, with the real servers") {
    TDrivenSite site("Browser");
    LinuxFiles::WriteFileReplacing(site.Dir + "/bin/Favorites.ini",
                                   "\xEF\xBB\xBF[URLS]\nDriven Fav=http://{LOCALHOST:PORT}/driven.php?name=fav\n[DIRS]\n");
    UseFakeEditor(site);
    TChildProcess runner = site.Start();
    REQUIRE_MESSAGE(site.WaitForReport("main", "loaded", 90000), LinuxFiles::ReadFile(site.Root + "/runner.log"));
    const TBounds main = WaitForXWindow("main");

    // Place, size and bars as asked: the page area is what the page asked for.
    site.Drive("main", "window.open('driven.php?name=a', 'a', "
                       "'left=100,top=50,width=400,height=300,toolbar=no,menubar=no,status=no')");
    CHECK(site.WaitForReport("a", "loaded 400x300"));
    CHECK(WaitForXWindow("a") == TBounds{100, 50, 400, 300});

    site.Drive("main", "window.open('driven.php?name=b', 'b', "
                       "'left=700,top=500,width=400,height=300,toolbar=yes,menubar=yes,location=yes,status=yes')");
    CHECK(site.WaitForReport("b", "loaded 400x300"));
    const TBounds b = WaitForXWindow("b");
    CHECK(b.Left == 700);
    CHECK(b.Width == 400);
    CHECK(b.Height > 300 + 40);  // the tool bar and the status bar besides

    // The page's full screen, and back to the window as it was.
    site.Drive("b", "document.onclick = () => document.documentElement.requestFullscreen()"
                    ".then(() => setTimeout(() => report('full ' + innerWidth + 'x' + innerHeight), 500));"
                    "report('armed')");
    REQUIRE(site.WaitForReport("b", "armed"));
    OnScreen::Click(b, 1);
    CHECK(site.WaitForReport("b", "full " + std::to_string(ScreenWidth) + "x" + std::to_string(ScreenHeight)));
    CHECK(WaitForXWindow("b") == TBounds{0, 0, ScreenWidth, ScreenHeight});
    site.Drive("b", "document.exitFullscreen().then(() => setTimeout(() => report('back ' + innerWidth + 'x' + "
                    "innerHeight), 500))");
    CHECK(site.WaitForReport("b", "back 400x300"));
    CHECK(WaitForXWindow("b") == b);

    // A size alone is no place: 800 x 600 in the middle; a place off the screen comes back onto it.
    site.Drive("main", "window.open('driven.php?name=c', 'c', 'width=400,height=300')");
    CHECK(WaitForXWindow("c") == TBounds{(ScreenWidth - 800) / 2, (ScreenHeight - 600) / 2, 800, 600});
    site.Drive("c", "window.close()");
    site.Drive("main", "window.open('driven.php?name=d', 'd', 'left=5000,top=50,width=400,height=300')");
    CHECK(site.WaitForReport("d", "loaded 400x300"));
    const TBounds d = WaitForXWindow("d");
    CHECK(d.Left + d.Width == ScreenWidth);
    CHECK(d.Top == 50);

    // A pop-up of a pop-up; its window.close closes it alone.
    site.Drive("a", "window.open('driven.php?name=e', 'e', 'left=300,top=300,width=300,height=200')");
    CHECK_MESSAGE(site.WaitForReport("e", "loaded 300x200"), site.Reports());
    CHECK(WaitForXWindow("e").Left == 300);
    site.Drive("e", "window.close()");
    CHECK(WaitUntil(10000, [] { return OnScreen::Find(Caption("e")).Width == 0 && OnScreen::Find(Caption("c")).Width == 0; }));
    site.Drive("a", "report('still here')");
    CHECK(site.WaitForReport("a", "still here"));
    CHECK(OnScreen::Find(Caption("main")) == main);
    CHECK(runner.Running());

    // Favorites: the item loads its page in the main window; Organize hands the file to the editor.
    Keys("Driven main - Vadrome", "alt+m Up Return");
    CHECK(site.WaitForReport("fav", "loaded"));
    Keys("Driven fav - Vadrome", "alt+m Up Up Return");
    CHECK(WaitUntil(10000, [&] { return LinuxFiles::FileExists(site.Root + "/edited.txt"); }));
    CHECK(LinuxFiles::ReadFile(site.Root + "/edited.txt") == site.Dir + "/bin/Favorites.ini");

    // A download: the Save dialog asks where, and the file is what the site sent.
    const std::string saved = site.Root + "/saved export.bin", sent = site.Root + "/sent.bin";
    site.Drive("fav", "document.getElementById('export').click()");
    REQUIRE(WaitUntil(20000, [] { return OnScreen::Find("^Save As$").Width > 0; }));
    Keys("^Save As$", "ctrl+a");
    OnScreen::Type(saved);
    OnScreen::Key("Return");
    Curl("-o '" + sent + "' " + site.Home() + "/export.php");
    CHECK(WaitUntil(20000, [&] {
        return LinuxFiles::FileExists(saved) && LinuxFiles::ReadFile(saved).size() == LinuxFiles::ReadFile(sent).size();
    }));
    CHECK(LinuxFiles::ReadFile(saved) == LinuxFiles::ReadFile(sent));
    CHECK(LinuxFiles::ReadFile(sent).size() == 70000);

    runner.Signal(SIGTERM);
    CHECK(WaitUntil(10000, [&] { return !runner.Running() && site.Servers().empty(); }));
}
