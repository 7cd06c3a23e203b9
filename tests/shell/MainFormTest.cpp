// The main window's handlers, run against a browser double.
#include <doctest/doctest.h>
#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "shell/FormTestKit.h"
#include "shell/MainForm.h"
#include "tools/DialogKit.h"
#include "util/ShellKit.h"

namespace {

struct TFormFixture {
    TFakeBrowsers fakes;
    TFakeWebBrowser* browser = nullptr;
    std::unique_ptr<TTestMainForm> form;

    TFormFixture() {
        form = std::make_unique<TTestMainForm>(fakes.Factory());
        browser = fakes.Made.front();
    }

    void Report(const std::string& url, const std::string& title = "Page") {
        browser->Location = url;
        form->WebBrowser1TitleChange(title);
    }

    bool Key(HWND target, WORD key, bool alt = false) { return PressKey(*form, target, key, alt); }

    HWND AddressEdit() const {
        return reinterpret_cast<HWND>(SendMessageW(form->cboAddress, CBEM_GETEDITCONTROL, 0, 0));
    }

    void BringToFront() { ::BringToFront(*form); }
};

}  // namespace

TEST_CASE_FIXTURE(TFormFixture, "a title change sets the caption and keeps the address history") {
    ProductTitle = "  Shop  ";
    Report("", "  My page ");
    CHECK(Caption(form->Handle()) == "  My page  - Shop");
    CHECK(form->AddressHistory().empty());

    SUBCASE("newest first, at most 24, the oldest dropped") {
        for (int i = 1; i <= 25; ++i) Report("http://127.0.0.1/" + std::to_string(i));
        const auto history = form->AddressHistory();
        REQUIRE(history.size() == 24);
        CHECK(history.front() == "http://127.0.0.1/25");
        CHECK(history.back() == "http://127.0.0.1/2");
        CHECK(form->AddressIndex() == 0);
    }
    SUBCASE("a known address is selected where it is") {
        Report("http://127.0.0.1/a");
        Report("http://127.0.0.1/b");
        Report(" http://127.0.0.1/a ");
        CHECK(form->AddressHistory() == std::vector<std::string>{"http://127.0.0.1/b", "http://127.0.0.1/a"});
        CHECK(form->AddressIndex() == 1);
        CHECK(form->AddressText() == "http://127.0.0.1/a");
    }
    SUBCASE("letter case makes a different address") {
        Report("http://127.0.0.1/Page");
        Report("http://127.0.0.1/page");
        CHECK(form->AddressHistory().size() == 2);
    }
    ProductTitle = "Vadrome";
}

TEST_CASE_FIXTURE(TFormFixture, "address box keys") {
    Report("http://127.0.0.1/c");
    Report("http://127.0.0.1/b");
    Report("http://127.0.0.1/a");  // a, b, c with a selected
    const HWND edit = AddressEdit();

    CHECK_FALSE(Key(edit, VK_UP));  // first entry: the editor gets it
    CHECK(Key(edit, VK_DOWN));
    CHECK(Key(edit, VK_RIGHT));
    CHECK(form->AddressIndex() == 2);
    CHECK(form->AddressText() == "http://127.0.0.1/c");
    CHECK_FALSE(Key(edit, VK_DOWN));  // last entry
    CHECK(Key(edit, VK_LEFT));
    CHECK(form->AddressIndex() == 1);
    CHECK(browser->Navigated.empty());  // moving loads nothing

    SUBCASE("with no selection Down picks the first entry") {
        form->SetAddressText("");
        form->cboAddressChange();
        CHECK(form->AddressIndex() == -1);
        CHECK(Key(edit, VK_DOWN));
        CHECK(form->AddressIndex() == 0);
    }
    SUBCASE("Enter and Go navigate to the trimmed text") {
        form->SetAddressText("  http://127.0.0.1/x \t");
        CHECK(Key(edit, VK_RETURN));
        SendMessageW(form->Handle(), WM_COMMAND, TfrmMain::btnGo, reinterpret_cast<LPARAM>(form->tlbGo));
        CHECK(browser->Navigated == std::vector<std::string>{"http://127.0.0.1/x", "http://127.0.0.1/x"});
    }
    SUBCASE("a pick from the list navigates to the picked entry") {
        form->SetAddressText("typed");
        SendMessageW(form->cboAddress, CB_SETCURSEL, 2, 0);
        SendMessageW(form->Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(form->cboAddress), CBN_SELENDOK),
                     reinterpret_cast<LPARAM>(form->cboAddress));
        CHECK(browser->Navigated == std::vector<std::string>{"http://127.0.0.1/c"});
    }
}

TEST_CASE_FIXTURE(TFormFixture, "progress, status text, stop and back/forward state") {
    form->MoveProgressBarIntoStatusBar();
    CHECK(GetParent(form->ProgressBar1) == form->StatusBar1);

    form->WebBrowser1ProgressChange(30, 100);
    CHECK(IsWindowVisible(form->ProgressBar1) == IsWindowVisible(form->StatusBar1));
    CHECK((GetWindowLongW(form->ProgressBar1, GWL_STYLE) & WS_VISIBLE) != 0);
    CHECK_FALSE(form->StatusPanelLowered(1));
    CHECK(SendMessageW(form->ProgressBar1, PBM_GETPOS, 0, 0) == 30);
    for (int done : {0, -1}) {
        form->WebBrowser1ProgressChange(30, 100);
        form->WebBrowser1ProgressChange(done, 100);
        CHECK((GetWindowLongW(form->ProgressBar1, GWL_STYLE) & WS_VISIBLE) == 0);
        CHECK(form->StatusPanelLowered(1));
    }

    form->WebBrowser1StatusTextChange("Opening page...");
    CHECK(form->StatusText(0) == "Opening page...");

    CHECK_FALSE(form->actStop.Enabled);
    form->WebBrowser1DownloadBegin();
    CHECK(form->actStop.Enabled);
    form->WebBrowser1DownloadComplete();
    CHECK_FALSE(form->actStop.Enabled);

    form->WebBrowser1CommandStateChange(navForward, false);
    form->WebBrowser1CommandStateChange(navBack, false);
    form->WebBrowser1CommandStateChange(-1, true);
    CHECK_FALSE(form->ButtonEnabled(TfrmMain::btnForward));
    CHECK_FALSE(form->ButtonEnabled(TfrmMain::btnBack));
    CHECK(form->actBack.Enabled);
    CHECK(form->actForward2.Enabled);
    form->WebBrowser1CommandStateChange(navBack, true);
    CHECK(form->ButtonEnabled(TfrmMain::btnBack));
    CHECK_FALSE(form->ButtonEnabled(TfrmMain::btnForward));
}

TEST_CASE_FIXTURE(TFormFixture, "shortcuts") {
    BringToFront();
    REQUIRE(GetForegroundWindow() == form->Handle());
    HoldKeys({});

    CHECK(Key(form->Handle(), VK_LEFT, true));
    CHECK(browser->Backs == 1);
    CHECK_FALSE(Key(form->Handle(), VK_ESCAPE));  // Stop is disabled until a download begins
    CHECK(browser->Stops == 0);
    form->WebPort = 8123;
    CHECK(Key(form->Handle(), VK_HOME, true));
    CHECK(browser->Navigated == std::vector<std::string>{"http://127.0.0.1:8123"});
    CHECK(form->AddressText() == "http://127.0.0.1:8123");

    SUBCASE("not while another window is in the foreground") {
        HWND other = CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                     nullptr, nullptr);
        SetForegroundWindow(other);
        REQUIRE(GetForegroundWindow() == other);
        CHECK_FALSE(Key(form->Handle(), VK_LEFT, true));
        CHECK_FALSE(Key(form->Handle(), VK_F5));
        CHECK(browser->Backs == 1);
        DestroyWindow(other);
    }
    SUBCASE("Backspace is Back only outside the address box") {
        SetFocus(AddressEdit());
        REQUIRE(GetFocus() == AddressEdit());
        CHECK_FALSE(Key(AddressEdit(), VK_BACK));
        HoldKeys({VK_SHIFT});
        CHECK_FALSE(Key(AddressEdit(), VK_BACK));
        CHECK(browser->Backs == 1);
        CHECK(browser->Forwards == 0);

        SetFocus(form->Handle());
        CHECK(Key(form->Handle(), VK_BACK));
        HoldKeys({});
        CHECK(Key(form->Handle(), VK_BACK));
        CHECK(browser->Forwards == 1);
        CHECK(browser->Backs == 2);
        HoldKeys({});
    }
    SUBCASE("Alt+M opens the menu at its button shown pressed, with no click; nothing with the cool bar hidden") {
        SetCursorPos(3, 3);
        bool pressed = false;
        RunSteps({[&] {  // inside the menu's loop
            pressed = SendMessageW(form->tlbMenu, TB_ISBUTTONPRESSED, TfrmMain::btnMenu, 0) != 0;
            EndMenu();
        }});
        CHECK(Key(form->Handle(), 'M', true));
        CHECK(pressed);
        form->SetBarsVisible(false, true);
        CHECK(Key(form->Handle(), 'M', true));
        POINT cursor{};
        GetCursorPos(&cursor);
        CHECK(cursor.x == 3);
        CHECK(cursor.y == 3);
    }
    SUBCASE("Enter is offered to the control and still dispatched") {
        CHECK_FALSE(Key(form->Handle(), VK_RETURN));
        CHECK(browser->Offered == std::vector<WPARAM>{VK_RETURN});
    }
}

TEST_CASE_FIXTURE(TFormFixture, "a page closing the control's window ends the runner") {
    MSG close{browser->Handle(), WM_CLOSE, 0, 0, 0, {}};
    CHECK_THROWS_AS(form->ApplicationMessage(close), TQuitCalled);
    MSG other{form->Handle(), WM_CLOSE, 0, 0, 0, {}};
    CHECK_FALSE(form->ApplicationMessage(other));
}

TEST_CASE_FIXTURE(TFormFixture, "menu commands") {
    SUBCASE("control commands go to this window's control") {
        form->mnuMenu_SaveAsClick();
        form->mnuMenu_PrintClick();
        form->mnuMenu_PrintPreviewClick();
        form->mnuMenu_PageSetupClick();
        CHECK(browser->Commands == std::vector<int>{4, 6, 7, 8});
    }
    SUBCASE("the menu's items") {
        HMENU menu = form->mnuMenu.Get();
        REQUIRE(GetMenuItemCount(menu) == 12);
        wchar_t text[64]{};
        GetMenuStringW(menu, TfrmMain::mnuMenu_Find, text, 64, MF_BYCOMMAND);
        CHECK(std::wstring(text) == L"&Find (on This Page)...\tCtrl+F");
        CHECK(GetMenuDefaultItem(menu, FALSE, 0) == TfrmMain::mnuMenu_OrganizeFavorites);
        MENUITEMINFOW item{};
        item.cbSize = sizeof(item);
        item.fMask = MIIM_FTYPE;
        GetMenuItemInfoW(menu, TfrmMain::mnuMenu_OrganizeFavorites, FALSE, &item);
        CHECK((item.fType & MFT_MENUBARBREAK) != 0);
    }
}

TEST_CASE_FIXTURE(TFormFixture, "toolbar buttons, hints and start-up layout") {
    CHECK(form->ButtonHint(TfrmMain::btnBack) == "Go back one page (Alt+Left Arrow)");
    form->SetHomeHint("http://127.0.0.1:8080 (Alt+Home)");
    CHECK(form->ButtonHint(TfrmMain::btnHome) == "http://127.0.0.1:8080 (Alt+Home)");

    form->Show();
    RECT before{}, after{};
    GetWindowRect(form->tlbToolbar, &before);
    SUBCASE("the brand layout keeps the first six buttons") {
        form->ApplyBrandLayout();
        CHECK(form->ButtonVisible(TfrmMain::btnHome));
        CHECK_FALSE(form->ButtonVisible(TfrmMain::sepBrand));
        CHECK_FALSE(form->ButtonVisible(TfrmMain::btnBrand));
    }
    SUBCASE("hiding Customize takes its separator too") {
        form->HideCustomizeButton();
        CHECK_FALSE(form->ButtonVisible(TfrmMain::btnBrand));
        CHECK_FALSE(form->ButtonVisible(TfrmMain::sepBrand));
    }
    GetWindowRect(form->tlbToolbar, &after);
    CHECK(after.right - after.left < before.right - before.left);
    CHECK(form->actCustomize.Enabled);
}
