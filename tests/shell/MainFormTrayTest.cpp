// The main window's tray part: the menu as its handle holds it, the icon's
// life, hiding and showing, the window procedure's steps and the handlers.
#include <doctest/doctest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "server/Product.h"
#include "shell/FormTestKit.h"
#include "tools/TempFolder.h"
#include "util/Maker.h"
#include "util/ShellKit.h"

namespace {

struct TTrayFixture {
    TFakeBrowsers fakes;
    std::unique_ptr<TTestMainForm> form;
    HWND application;

    TTrayFixture() {
        TApplication::Instance().Initialize();
        application = TApplication::Instance().Handle();
        form = std::make_unique<TTestMainForm>(fakes.Factory());
    }
    TFakeWebBrowser& Browser() { return *fakes.Made.front(); }
    // As at the end of start-up with "trayicon" on.
    void Start() {
        form->TrayIconEnabled = true;
        form->Started = true;
        form->ShowTrayIcon(true);
        REQUIRE(form->TrayIcon);
    }
};

// The menu as the user sees it: one entry per item, "-" for a separator,
// "*" after the default item, " (disabled)" after a grayed one.
std::vector<std::string> ShownItems(HMENU menu) {
    std::vector<std::string> items;
    const UINT defaultItem = GetMenuDefaultItem(menu, FALSE, 0);
    for (int index = 0; index < GetMenuItemCount(menu); ++index) {
        wchar_t text[128] = L"";
        MENUITEMINFOW item{};
        item.cbSize = sizeof(item);
        item.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING;
        item.dwTypeData = text;
        item.cch = 128;
        GetMenuItemInfoW(menu, static_cast<UINT>(index), TRUE, &item);
        if (item.fType & MFT_SEPARATOR) {
            items.push_back("-");
            continue;
        }
        std::string shown = Narrow(text);
        if (item.wID == defaultItem) shown += "*";
        if (item.fState & MFS_GRAYED) shown += " (disabled)";
        items.push_back(shown);
    }
    return items;
}

bool ToolWindow(HWND window) { return (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) != 0; }

}  // namespace

TEST_CASE_FIXTURE(TTrayFixture, "the tray menu: Help, Contact Us, Visit Website and About stay hidden; start-up "
                                "disables one item on a CD-ROM and keeps three when branded") {
    HMENU menu = form->mnuTray.Get();
    CHECK(ShownItems(menu) == std::vector<std::string>{"&Show/Hide Main Window*", "-",
                                                       "&Change IP Address or Port...", "-", "E&xit"});
    CHECK(GetMenuItemID(menu, 2) == TfrmMain::mnuTray_Settings);

    form->SetSettingsItemEnabled(false);
    CHECK(ShownItems(menu) == std::vector<std::string>{"&Show/Hide Main Window*", "-",
                                                       "&Change IP Address or Port... (disabled)", "-", "E&xit"});
    form->ApplyBrandLayout();
    const std::vector<std::string> branded{"&Show/Hide Main Window*", "-", "E&xit"};
    CHECK(ShownItems(menu) == branded);
    CHECK(GetMenuItemID(menu, 2) == TfrmMain::mnuTray_Exit);
    form->SetSettingsItemEnabled(true);  // nothing shows a hidden item again
    CHECK(ShownItems(menu) == branded);
}

TEST_CASE_FIXTURE(TTrayFixture, "the icon: made once while the shell runs, tipped with the product's title, never "
                                "again once shutdown freed it") {
    ProductTitle = "My Shop";
    form->ShowTrayIcon(true);
    REQUIRE(form->TrayIcon);
    const TTrayIconMan* made = form->TrayIcon.get();
    CHECK(made->Added());
    CHECK(std::wstring(made->IconData().szTip) == L"My Shop");
    CHECK(made->IconData().hIcon != nullptr);
    form->ShowTrayIcon(true);
    CHECK(form->TrayIcon.get() == made);

    form->EnableTrayIcon(false);
    CHECK_FALSE(made->Enabled());
    {
        const TfrmMain::TTrayIconPause pause(*form);  // around a modal dialog
        CHECK_FALSE(made->Enabled());
    }
    CHECK(made->Enabled());

    form->ShowTrayIcon(false);
    CHECK_FALSE(form->TrayIcon);
    form->Started = form->TrayIconEnabled = true;
    form->Message(WM_NULL);
    CHECK_FALSE(form->TrayIcon);
    ProductTitle = "Vadrome";
}

TEST_CASE_FIXTURE(TTrayFixture, "a later message makes the icon start-up could not, once start-up is through") {
    form->TrayIconEnabled = true;
    form->Message(WM_NULL);
    CHECK_FALSE(form->TrayIcon);  // start-up still running
    form->Started = true;
    form->TrayIconEnabled = false;
    form->Message(WM_NULL);
    CHECK_FALSE(form->TrayIcon);
    form->TrayIconEnabled = true;
    form->Message(WM_NULL);
    CHECK(form->TrayIcon);
}

TEST_CASE_FIXTURE(TTrayFixture, "hidden with no taskbar button, shown again as it was") {
    SUBCASE("never shown yet: the first show is the start state") {
        form->PrepareMaximizedStart();
        form->SetMainWindowVisible(true);
        CHECK(IsWindowVisible(form->Handle()));
        CHECK(IsZoomed(form->Handle()));
        CHECK_FALSE(ToolWindow(application));
    }
    SUBCASE("toggled") {
        form->Show();
        form->ToggleMainWindow();
        CHECK_FALSE(IsWindowVisible(form->Handle()));
        CHECK(ToolWindow(application));
        CHECK_FALSE(IsWindowVisible(application));
        form->ToggleMainWindow();
        CHECK(IsWindowVisible(form->Handle()));
        CHECK_FALSE(ToolWindow(application));
        CHECK_FALSE(IsWindowVisible(application));  // the main window carries the button
    }
    SUBCASE("minimised with the icon on: to the tray, and back restored") {
        form->PrepareMaximizedStart();
        form->Show();
        Start();
        ShowWindow(form->Handle(), SW_MINIMIZE);
        CHECK_FALSE(IsWindowVisible(form->Handle()));
        CHECK(ToolWindow(application));
        form->mnuTray_ShowClick();
        CHECK(IsWindowVisible(form->Handle()));
        CHECK(IsZoomed(form->Handle()));
    }
    SUBCASE("minimised with an icon the shell does not hold: stays on the taskbar") {
        form->Show();
        Start();
        form->TrayIcon->Remove();
        ShowWindow(form->Handle(), SW_MINIMIZE);
        CHECK(IsIconic(form->Handle()));
        CHECK(IsWindowVisible(form->Handle()));
    }
    SUBCASE("minimised without an icon: stays on the taskbar") {
        form->Show();
        form->Started = form->TrayIconEnabled = true;
        form->ShowTrayIcon(false);  // the shell never came, or shutdown took the icon
        ShowWindow(form->Handle(), SW_MINIMIZE);
        CHECK(IsIconic(form->Handle()));
        CHECK(IsWindowVisible(form->Handle()));
    }
}

TEST_CASE_FIXTURE(TTrayFixture, "the end of the session ends the runner; a device change only when the medium went") {
    form->Message(WM_DEVICECHANGE, 7, 0);  // the executable's drive still reads
    CHECK_THROWS_AS(form->Message(WM_QUERYENDSESSION, 0, 0), TQuitCalled);
}

TEST_CASE_FIXTURE(TTrayFixture, "tray items: Help and Visit Website show the window at their page, Exit ends the "
                                "runner, a pick arrives as the main window's command") {
    form->WebPort = 8123;
    form->mnuTray_HelpClick();
    CHECK(IsWindowVisible(form->Handle()));
    CHECK(form->AddressText() == "http://127.0.0.1:8123/korvane-help");
    form->SetMainWindowVisible(false);
    form->mnuTray_WebsiteClick();
    CHECK(IsWindowVisible(form->Handle()));
    CHECK(form->AddressText() == MakerWebSite);
    CHECK(Browser().Navigated == std::vector<std::string>{"http://127.0.0.1:8123/korvane-help", MakerWebSite});

    SendMessageW(form->Handle(), WM_COMMAND, TfrmMain::mnuTray_Show, 0);
    CHECK_FALSE(IsWindowVisible(form->Handle()));
    CHECK_THROWS_AS(form->mnuTray_ExitClick(), TQuitCalled);
}

namespace {

// The hand-over with a copy the system refuses to start.
class TUnstartableCopyForm : public TTestMainForm {
public:
    TUnstartableCopyForm(TWebBrowserFactory factory, std::string config)
        : TTestMainForm(std::move(factory)), config_(std::move(config)) {}
    using TfrmMain::HandOverToSetupCopy;
    std::string Copy, Parameters;

    std::string ExtractConfigFile() override {
        TShellKit::WriteFileText(config_, "[INI]\r\nip=127.0.0.1\r\nport=8080\r\n");
        return config_;
    }

protected:
    int StartSetupCopy(const std::string& copy, const std::string& parameters) override {
        Copy = copy;
        Parameters = parameters;
        SetLastError(ERROR_ACCESS_DENIED);
        return 0;
    }

private:
    std::string config_;
};

}  // namespace

TEST_CASE("a copy that cannot be started: the error says so, nothing is left behind, the runner stays as it was") {
    TApplication::Instance().Initialize();
    TFakeBrowsers fakes;
    TempFolder work;
    TUnstartableCopyForm form(fakes.Factory(), work / "Config.ini");
    form.ConfigIniPath = form.ExtractConfigFile();

    std::string error;
    try {
        form.HandOverToSetupCopy("all", 9090);  // a quit would throw TQuitCalled instead
    } catch (const std::exception& failure) {
        error = failure.what();
    }
    CHECK(error.find("could not be started") != std::string::npos);
    CHECK(error.find("The address and port stay as they were") != std::string::npos);
    REQUIRE_FALSE(form.Copy.empty());
    CHECK(form.Parameters.find("/setup ") == 0);
    CHECK_FALSE(TShellKit::FileExists(form.Copy));
    CHECK_FALSE(TShellKit::FileExists(form.Copy + ".ini"));
    CHECK_FALSE(TShellKit::DirectoryExists(form.Copy.substr(0, form.Copy.rfind('\\'))));  // its own folder too
    CHECK(form.ReadConfigValue("ip") == "127.0.0.1");
    CHECK(form.ReadConfigValue("port") == "8080");
}
