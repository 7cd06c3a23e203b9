// The Favorites menu from real Favorites.ini files beside the executable
// (this test runs from a folder of its own), through the menus of real
// windows with browser doubles. Folder items and Organize Favorites start
// real programs, found in the process list by their command lines.
#include <doctest/doctest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "shell/BrowserForm.h"
#include "shell/FormTestKit.h"
#include "shell/MainForm.h"
#include "tools/ProcessParameters.h"
#include "util/ShellKit.h"
#include "util/Text.h"

namespace {

class TTestMain : public TfrmMain {
public:
    explicit TTestMain(TWebBrowserFactory factory) : TfrmMain(TStartUp::Skip, std::move(factory)) {}
};

std::string AppFile(const std::string& name) { return TShellKit::GetAppPath() + name; }

// The bin folder with Favorites.ini, and the folders items name, beside the
// executable; all of it removed at the end.
class TDistribution {
public:
    TDistribution() { CreateDirectoryW(Widen(AppFile("bin")).c_str(), nullptr); }
    ~TDistribution() {
        for (const std::string& folder : folders_) TShellKit::DeleteFolder(folder);
        TShellKit::DeleteFolder(AppFile("bin"));
    }
    TDistribution(const TDistribution&) = delete;
    TDistribution& operator=(const TDistribution&) = delete;

    static std::string Ini() { return AppFile("bin\\Favorites.ini"); }
    // Bytes as given: ASCII, or the ANSI code page's.
    void Write(const std::string& bytes) const { TShellKit::WriteFileText(Ini(), bytes); }
    // UTF-16 with its byte order mark.
    void WriteUnicode(const std::wstring& text) const {
        const std::wstring withMark = L"\xFEFF" + text;
        TShellKit::WriteFileText(Ini(), std::string(reinterpret_cast<const char*>(withMark.data()),
                                                    withMark.size() * sizeof(wchar_t)));
    }
    std::string Folder(const std::string& name) {
        const std::string path = AppFile(name);
        TShellKit::ForceDirectories(path);
        folders_.push_back(path);
        return path;
    }

private:
    std::vector<std::string> folders_;
};

// The command line's last argument is exactly this one.
bool LastArgumentIs(const std::string& commandLine, const std::string& argument) {
    return commandLine.size() > argument.size() && commandLine.ends_with(argument) &&
           commandLine[commandLine.size() - argument.size() - 1] == ' ';
}

std::string Quoted(const std::string& path) { return '"' + path + '"'; }

bool IsProgram(const std::string& commandLine, const std::string& program) {
    return LowerAscii(commandLine).find(program) != std::string::npos;
}

// The command lines of the program's processes that start during the step,
// looked for until one shows or the wait ends; each found is ended.
std::vector<std::string> StartedDuring(const std::string& program, const std::function<void()>& step,
                                       std::chrono::milliseconds wait = std::chrono::seconds(30)) {
    const std::vector<int> before = TShellKit::ListProcessIds();
    step();
    std::vector<std::string> lines;
    for (const auto end = std::chrono::steady_clock::now() + wait;
         lines.empty() && std::chrono::steady_clock::now() < end;
         std::this_thread::sleep_for(std::chrono::milliseconds(100))) {
        for (int id : TShellKit::ListProcessIds()) {
            if (std::find(before.begin(), before.end(), id) != before.end()) continue;
            const auto parameters = ReadProcessParameters(id);
            if (!parameters || !IsProgram(parameters->commandLine, program)) continue;
            lines.push_back(parameters->commandLine);
            TShellKit::KillProcess(id);
        }
    }
    return lines;
}

// Nothing of the program starts: looked for a little while only, since the
// shell starts a program before its call returns.
bool NothingStarted(const std::string& program, const std::function<void()>& step) {
    return StartedDuring(program, step, std::chrono::seconds(1)).empty();
}

struct TFavoritesFixture {
    TDistribution distribution;
    TFakeBrowsers fakes;
    std::unique_ptr<TTestMain> main;

    ~TFavoritesFixture() { TApplication::Instance().FreeForms(); }

    // As start-up builds the main window's menu.
    void Start() {
        main = std::make_unique<TTestMain>(fakes.Factory());
        main->WebPort = 8123;
        main->FavoritesFile = main->BuildFavoritesMenu();
    }

    TfrmBrowser& OpenPopup() {
        IDispatch* handedBack = nullptr;
        main->WebBrowser1NewWindow2(&handedBack);
        REQUIRE(handedBack != nullptr);
        handedBack->Release();
        return dynamic_cast<TfrmBrowser&>(*TApplication::Instance().Forms().back());
    }

    // The menu's second column after Organize Favorites.
    static std::vector<std::string> Favorites(const TBrowserFrame& form) {
        const std::vector<std::string> captions = form.MenuCaptions();
        const auto organize = std::find(captions.begin(), captions.end(), "Organize Favorites...");
        REQUIRE(organize != captions.end());
        return {organize + 1, captions.end()};
    }

    // Picks the nth item of that caption from the window's menu.
    static void Click(TBrowserFrame& form, const std::string& caption, int nth = 0) {
        const std::vector<std::string> captions = form.MenuCaptions();
        for (size_t index = 0; index < captions.size(); ++index) {
            if (captions[index] != caption || nth-- > 0) continue;
            SendMessageW(form.Handle(), WM_COMMAND, GetMenuItemID(form.mnuMenu.Get(), static_cast<int>(index)), 0);
            return;
        }
        FAIL("no menu item " << caption);
    }
};

}  // namespace

TEST_CASE_FIXTURE(TFavoritesFixture, "pages: the menu's shape, the port placeholder, each window its own") {
    distribution.Write(
        "[DIRS]\r\n\r\n[URLS]\r\nHome page=http://{LOCALHOST:PORT}/\r\nDocs=http://{localhost:Port}/docs/\r\n");
    Start();
    CHECK(main->FavoritesFile == TShellKit::GetShortPath(TDistribution::Ini()));
    CHECK(Favorites(*main) == std::vector<std::string>{"-", "-", "Home page", "Docs"});

    Click(*main, "Docs");
    CHECK(FakeOf(*main).Navigated == std::vector<std::string>{"http://127.0.0.1:8123/docs/"});
    CHECK(main->AddressText() == "http://127.0.0.1:8123/docs/");

    SUBCASE("a pop-up has the same items, reads its opener's file, and loads into itself") {
        TfrmBrowser& popup = OpenPopup();
        main->WebPort = 9000;  // the pop-up's port comes from its HomeUrl
        CHECK(Favorites(popup) == Favorites(*main));
        Click(popup, "Home page");
        CHECK(FakeOf(popup).Navigated == std::vector<std::string>{"http://127.0.0.1:8123/"});
        CHECK(FakeOf(*main).Navigated.size() == 1);
    }
    SUBCASE("edits show in windows made later, not in the main window's menu") {
        distribution.Write("[URLS]\r\nShop=http://{LOCALHOST:PORT}/shop\r\n");
        CHECK(Favorites(OpenPopup()) == std::vector<std::string>{"-", "-", "Shop"});
        CHECK(Favorites(*main) == std::vector<std::string>{"-", "-", "Home page", "Docs"});
    }
}

TEST_CASE_FIXTURE(TFavoritesFixture, "blanks, separators, repeated and empty keys") {
    distribution.Write("[URLS]\r\n   Docs   =   http://{LOCALHOST:PORT}/first   \r\n-=\r\n"
                       "Docs=http://{LOCALHOST:PORT}/second\r\nShop=shop.html\r\nEmpty=\r\n");
    Start();
    CHECK(Favorites(*main) == std::vector<std::string>{"-", "-", "Docs", "-", "Docs", "Shop", "Empty"});
    Click(*main, "Docs", 1);  // the system's lookup finds the first
    Click(*main, "Shop");     // used as it is: no scheme added
    main->SetAddressText("typed");
    Click(*main, "Empty");
    CHECK(FakeOf(*main).Navigated == std::vector<std::string>{"http://127.0.0.1:8123/first", "shop.html", ""});
    CHECK(main->AddressText().empty());
}

TEST_CASE_FIXTURE(TFavoritesFixture, "folders open in Explorer when they exist") {
    const std::string www = distribution.Folder("www");
    const std::string data = distribution.Folder("data");
    distribution.Write("[DIRS]\r\nSite={appdir}\\www\r\nData =  data \r\nGone={APPDIR}\\gone\r\nBlank=\r\n[URLS]\r\n");
    Start();
    CHECK(Favorites(*main) == std::vector<std::string>{"-", "Site", "Data", "Gone", "Blank", "-"});

    CHECK(NothingStarted("explorer", [&] { Click(*main, "Gone"); }));
    CHECK(NothingStarted("explorer", [&] { Click(*main, "Blank"); }));
    std::vector<std::string> started = StartedDuring("explorer", [&] { Click(*main, "Site"); });
    REQUIRE(started.size() == 1);
    CHECK(LastArgumentIs(started[0], Quoted(www)));
    started = StartedDuring("explorer", [&] { Click(*main, "Data"); });  // relative to the executable's folder
    REQUIRE(started.size() == 1);
    CHECK(LastArgumentIs(started[0], Quoted(data)));
}

TEST_CASE_FIXTURE(TFavoritesFixture, "Organize Favorites opens the file's short path in Notepad") {
    distribution.Write("[URLS]\r\nDocs=http://{LOCALHOST:PORT}/docs/\r\n");
    Start();
    const std::vector<std::string> started = StartedDuring("notepad", [&] { main->mnuMenu_OrganizeFavoritesClick(); });
    REQUIRE(started.size() == 1);
    CHECK(LastArgumentIs(started[0], TShellKit::GetShortPath(TDistribution::Ini())));
}

TEST_CASE_FIXTURE(TFavoritesFixture, "without the file: no items, and Organize does nothing") {
    Start();
    CHECK(main->FavoritesFile.empty());
    CHECK(Favorites(*main).empty());
    CHECK(main->MenuCaptions().size() == 12);
    CHECK(NothingStarted("notepad", [&] { main->OrganizeFavorites(); }));
}

TEST_CASE_FIXTURE(TFavoritesFixture, "the file deleted while running: every item does nothing") {
    distribution.Folder("www");
    distribution.Write("[DIRS]\r\nSite={APPDIR}\\www\r\n[URLS]\r\nDocs=http://{LOCALHOST:PORT}/docs/\r\n");
    Start();
    REQUIRE(DeleteFileW(Widen(TDistribution::Ini()).c_str()));
    Click(*main, "Docs");
    CHECK(FakeOf(*main).Navigated.empty());
    CHECK(NothingStarted("explorer", [&] { Click(*main, "Site"); }));
    CHECK(NothingStarted("notepad", [&] { main->OrganizeFavorites(); }));
}

TEST_CASE_FIXTURE(TFavoritesFixture, "captions and paths beyond ASCII") {
    SUBCASE("a UTF-16 file") {
        const std::string folder = distribution.Folder("dätä Ω");
        distribution.WriteUnicode(
            L"[DIRS]\r\nDätä Ω={APPDIR}\\dätä Ω\r\n[URLS]\r\nÜber uns=http://{LOCALHOST:PORT}/über\r\n");
        Start();
        CHECK(Favorites(*main) == std::vector<std::string>{"-", "Dätä Ω", "-", "Über uns"});
        Click(*main, "Über uns");
        CHECK(FakeOf(*main).Navigated == std::vector<std::string>{"http://127.0.0.1:8123/über"});
        const std::vector<std::string> started = StartedDuring("explorer", [&] { Click(*main, "Dätä Ω"); });
        REQUIRE(started.size() == 1);
        CHECK(LastArgumentIs(started[0], Quoted(folder)));
    }
    SUBCASE("a file in the ANSI code page") {
        const std::wstring text = L"[URLS]\r\nCafé=http://{LOCALHOST:PORT}/café\r\n";
        std::string bytes(text.size() * 2, '\0');
        BOOL lossy = FALSE;
        bytes.resize(static_cast<size_t>(WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                                             bytes.data(), static_cast<int>(bytes.size()), nullptr,
                                                             &lossy)));
        if (lossy) return;  // a code page without these letters
        distribution.Write(bytes);
        Start();
        CHECK(Favorites(*main) == std::vector<std::string>{"-", "-", "Café"});
        Click(*main, "Café");
        CHECK(FakeOf(*main).Navigated == std::vector<std::string>{"http://127.0.0.1:8123/café"});
    }
}
