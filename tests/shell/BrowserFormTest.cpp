// Pop-up windows opened from the main window and from each other, run
// against browser doubles: placing from the page's request, what they take
// from their opener, what they lack, and how they go.
#include <doctest/doctest.h>
#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "server/Product.h"
#include "shell/BrowserForm.h"
#include "shell/FormTestKit.h"
#include "shell/MainForm.h"

namespace {

class TTestMain : public TTestMainForm {
public:
    using TTestMainForm::TTestMainForm;
    void RunCustomize() override { ++Customizations; }
    int Customizations = 0;
};

struct TPopupFixture {
    TFakeBrowsers fakes;
    std::unique_ptr<TTestMain> main;

    TPopupFixture() {
        main = std::make_unique<TTestMain>(fakes.Factory());
        main->WebPort = 8123;
        main->FavoritesFile = "C:\\site\\bin\\FAVORI~1.INI";
    }
    ~TPopupFixture() { TApplication::Instance().FreeForms(); }

    // The opener answers NewWindow2 as for a page; the control handed back
    // is the new pop-up's.
    TfrmBrowser& Open(TBrowserFrame& opener) {
        IDispatch* handedBack = nullptr;
        opener.WebBrowser1NewWindow2(&handedBack);
        REQUIRE(handedBack != nullptr);
        auto* popup = dynamic_cast<TfrmBrowser*>(TApplication::Instance().Forms().back().get());
        REQUIRE(popup != nullptr);
        CHECK(handedBack == &FakeOf(*popup).Control);
        handedBack->Release();
        return *popup;
    }

    // The page's request, then its first navigation.
    TfrmBrowser& OpenAsked(std::initializer_list<std::pair<TRequestSide, int>> sides, bool bars) {
        TfrmBrowser& popup = Open(*main);
        TFakeWebBrowser& page = FakeOf(popup);
        page.Ask(sides);
        page.Asked.menuBar = page.Asked.addressBar = page.Asked.statusBar = bars;
        page.Asked.toolBar = bars;
        popup.WebBrowser1BeforeNavigate2();
        Pump(50);
        return popup;
    }
};

const TRequestSide AskLeft = TRequestSide::Left, AskTop = TRequestSide::Top, AskWidth = TRequestSide::Width,
                   AskHeight = TRequestSide::Height;

int ScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }
int ScreenHeight() { return GetSystemMetrics(SM_CYSCREEN); }

// The control fills the client area between the bars that show.
void CheckControlFills(TfrmBrowser& popup) {
    const RECT client = ClientRect(popup.Handle());
    const RECT control = RectIn(popup.WebBrowser1->Handle(), popup.Handle());
    CHECK(control.left == 0);
    CHECK(control.right == client.right);
    CHECK(control.top == (Shown(popup.CoolBar1) ? RectIn(popup.CoolBar1, popup.Handle()).bottom + 2 : 0));
    CHECK(control.bottom == (Shown(popup.StatusBar1) ? RectIn(popup.StatusBar1, popup.Handle()).top : client.bottom));
}

}  // namespace

TEST_CASE_FIXTURE(TPopupFixture, "a new window waits out of sight for its page") {
    TfrmBrowser& popup = Open(*main);
    TFakeWebBrowser& page = FakeOf(popup);
    const RECT window = WindowRect(popup.Handle());
    CHECK(window.left == -4096);
    CHECK(window.top == -4096);
    CHECK(IsWindowVisible(popup.Handle()));
    const RECT control = RectIn(page.Handle(), popup.Handle());
    CHECK(control.left == 4096);
    CHECK(control.top == 4096);
    CHECK(Width(control) == 0);
    CHECK(Height(control) == 0);
    CHECK(page.RegisteredAsBrowser);
    CHECK(page.Silent == ScriptErrorsSilent);
    CHECK(Caption(popup.Handle()).empty());
    // Its own window: not owned by the main window, so not minimised or hidden with it.
    CHECK(GetWindow(popup.Handle(), GW_OWNER) == nullptr);
    CHECK(GetParent(popup.Handle()) == nullptr);
}

TEST_CASE_FIXTURE(TPopupFixture, "the first navigation places the window as the page asked") {
    SUBCASE("no request: 800 x 600, centred, with both bars") {
        TfrmBrowser& popup = OpenAsked({}, true);
        const RECT window = WindowRect(popup.Handle());
        CHECK(Width(window) == 800);
        CHECK(Height(window) == 600);
        CHECK(window.left == (ScreenWidth() - 800) / 2);
        CHECK(window.top == (ScreenHeight() - 600) / 2);
        CHECK(Shown(popup.CoolBar1));
        CHECK(Shown(popup.StatusBar1));
        CheckControlFills(popup);
    }
    SUBCASE("a size without a position counts as no request") {
        TfrmBrowser& popup = OpenAsked({{AskWidth, 400}, {AskHeight, 300}}, false);
        const RECT window = WindowRect(popup.Handle());
        CHECK(Width(window) == 800);
        CHECK(Height(window) == 600);
        CHECK(window.left == (ScreenWidth() - 800) / 2);
        CHECK(Shown(popup.CoolBar1));
        CHECK(Shown(popup.StatusBar1));
    }
    SUBCASE("left 100, top 50, 400 x 300, no bars: exactly that client area") {
        TfrmBrowser& popup = OpenAsked({{AskLeft, 100}, {AskTop, 50}, {AskWidth, 400}, {AskHeight, 300}}, false);
        const RECT window = WindowRect(popup.Handle()), client = ClientRect(popup.Handle());
        CHECK(window.left == 100);
        CHECK(window.top == 50);
        CHECK(client.right == 400);
        CHECK(client.bottom == 300);
        CHECK_FALSE(Shown(popup.CoolBar1));
        CHECK_FALSE(Shown(popup.StatusBar1));
        CheckControlFills(popup);
        CHECK(Width(RectIn(popup.WebBrowser1->Handle(), popup.Handle())) == 400);
        CHECK(Height(RectIn(popup.WebBrowser1->Handle(), popup.Handle())) == 300);
        CHECK((GetWindowLongW(popup.Handle(), GWL_STYLE) & WS_THICKFRAME) != 0);

        SUBCASE("later navigations never move or resize it") {
            FakeOf(popup).Ask({{AskLeft, 300}, {AskWidth, 200}});
            popup.WebBrowser1BeforeNavigate2();
            Pump(50);
            const RECT after = WindowRect(popup.Handle());
            CHECK(after.left == window.left);
            CHECK(after.top == window.top);
            CHECK(Width(after) == Width(window));
            CHECK(Height(after) == Height(window));
        }
    }
    SUBCASE("every bar asked for: the page still gets 400 x 300 between them") {
        TfrmBrowser& popup = OpenAsked({{AskLeft, 20}, {AskTop, 30}, {AskWidth, 400}, {AskHeight, 300}}, true);
        CHECK(Shown(popup.CoolBar1));
        CHECK(Shown(popup.StatusBar1));
        CheckControlFills(popup);
        const RECT control = RectIn(popup.WebBrowser1->Handle(), popup.Handle());
        CHECK(Width(control) == 400);
        CHECK(Height(control) == 300);
    }
    SUBCASE("any one of menu bar, tool bar and address bar off hides the cool bar") {
        for (int off = 0; off < 3; ++off) {
            CAPTURE(off);
            TfrmBrowser& popup = Open(*main);
            TPopupRequest& asked = FakeOf(popup).Asked;
            FakeOf(popup).Ask({{AskLeft, 20}, {AskTop, 30}, {AskWidth, 400}, {AskHeight, 300}});
            if (off == 0) asked.menuBar = false;
            if (off == 1) asked.toolBar = 0;
            if (off == 2) asked.addressBar = false;
            popup.WebBrowser1BeforeNavigate2();
            CHECK_FALSE(Shown(popup.CoolBar1));
            CHECK(Shown(popup.StatusBar1));
            CHECK(ClientRect(popup.Handle()).bottom == 300 + Height(WindowRect(popup.StatusBar1)));
        }
    }
    SUBCASE("only left asked: the window is centred from top to bottom") {
        TfrmBrowser& popup = OpenAsked({{AskLeft, 100}, {AskWidth, 400}, {AskHeight, 300}}, false);
        const RECT window = WindowRect(popup.Handle());
        CHECK(window.left == 100);
        CHECK(window.top == (ScreenHeight() - Height(window)) / 2);
        CHECK(ClientRect(popup.Handle()).bottom == 300);
    }
    SUBCASE("only top asked: the window is centred from left to right") {
        TfrmBrowser& popup = OpenAsked({{AskTop, 60}, {AskWidth, 400}, {AskHeight, 300}}, false);
        const RECT window = WindowRect(popup.Handle());
        CHECK(window.left == (ScreenWidth() - Width(window)) / 2);
        CHECK(window.top == 60);
        CHECK(ClientRect(popup.Handle()).right == 400);
    }
    SUBCASE("a place beyond every monitor: on the nearest one, cut to its work area where larger") {
        TfrmBrowser& popup = OpenAsked({{AskLeft, 5000}, {AskTop, -300}, {AskWidth, 400}, {AskHeight, 5000}}, false);
        const RECT window = WindowRect(popup.Handle());
        MONITORINFO monitor{sizeof(monitor), {}, {}, 0};
        REQUIRE(GetMonitorInfoW(MonitorFromRect(&window, MONITOR_DEFAULTTONULL), &monitor));
        CHECK((window.right == monitor.rcWork.right && window.top == monitor.rcWork.top));
        CHECK(window.bottom == monitor.rcWork.bottom);
    }
    SUBCASE("not resizable: a fixed border, the same client area") {
        TfrmBrowser& popup = Open(*main);
        FakeOf(popup).Ask({{AskLeft, 100}, {AskTop, 50}, {AskWidth, 400}, {AskHeight, 300}});
        FakeOf(popup).Asked.resizable = false;
        popup.WebBrowser1BeforeNavigate2();
        CHECK((GetWindowLongW(popup.Handle(), GWL_STYLE) & WS_THICKFRAME) == 0);
        CHECK(ClientRect(popup.Handle()).right == 400);
        CHECK(WindowRect(popup.Handle()).left == 100);
    }
}

TEST_CASE_FIXTURE(TPopupFixture, "a pop-up takes Home and Favorites from its opener, also from another pop-up") {
    TfrmBrowser& first = Open(*main);
    TfrmBrowser& second = Open(first);
    for (TfrmBrowser* popup : {&first, &second}) {
        CHECK(popup->HomeUrl == "http://127.0.0.1:8123");
        CHECK(popup->FavoritesFile == main->FavoritesFile);
        CHECK(popup->ButtonHint(TfrmBrowser::btnHome) == "http://127.0.0.1:8123 (Alt+Home)");
    }
    main->WebPort = 9000;  // a pop-up keeps what it was given
    second.btnHomeClick();
    CHECK(FakeOf(second).Navigated == std::vector<std::string>{"http://127.0.0.1:8123"});
    CHECK(second.AddressText() == "http://127.0.0.1:8123");
    CHECK(TApplication::Instance().Forms().size() == 2);
}

TEST_CASE_FIXTURE(TPopupFixture, "a pop-up's own frame: five buttons, a wider last panel, its caption alone") {
    TfrmBrowser& popup = OpenAsked({}, true);
    CHECK(SendMessageW(popup.tlbToolbar, TB_BUTTONCOUNT, 0, 0) == 6);
    CHECK(SendMessageW(popup.tlbToolbar, TB_COMMANDTOINDEX, TfrmBrowser::btnBrand, 0) == -1);
    CHECK(SendMessageW(main->tlbToolbar, TB_COMMANDTOINDEX, TfrmMain::btnBrand, 0) == 7);
    CHECK(popup.StatusPanelWidth(2) == 80);
    main->Show();
    Pump(50);
    CHECK(main->StatusPanelWidth(2) == 60);
    CHECK(GetParent(popup.ProgressBar1) == popup.StatusBar1);
    CHECK(popup.StatusPanelLowered(1));

    TApplication::Instance().Title = "Shop";
    FakeOf(popup).Location = "http://127.0.0.1:8123/shop";
    popup.WebBrowser1TitleChange("Cart");
    CHECK(Caption(popup.Handle()) == "Cart - " + ProductTitle);
    CHECK(TApplication::Instance().Title == "Shop");
    CHECK(popup.AddressHistory() == std::vector<std::string>{"http://127.0.0.1:8123/shop"});
    main->WebBrowser1TitleChange("Home");
    CHECK(TApplication::Instance().Title == "Home - " + ProductTitle);
}

TEST_CASE_FIXTURE(TPopupFixture, "keys in a pop-up: no Customize, Enter stays with the window") {
    TfrmBrowser& popup = OpenAsked({}, true);
    BringToFront(popup);
    REQUIRE(GetForegroundWindow() == popup.Handle());
    TApplication& application = TApplication::Instance();

    HoldKeys({VK_SHIFT, VK_CONTROL});
    MSG customize{popup.Handle(), WM_KEYDOWN, VK_F11, 0, 0, {}};
    CHECK_FALSE(application.HookMessage(customize));
    CHECK(main->Customizations == 0);
    BringToFront(*main);
    customize.hwnd = main->Handle();
    CHECK(application.HookMessage(customize));  // the same keys where Customize exists
    CHECK(main->Customizations == 1);
    HoldKeys({});

    CHECK_FALSE(PressKey(popup, popup.Handle(), VK_RETURN));
    CHECK(FakeOf(popup).Offered.empty());
    CHECK_FALSE(PressKey(*main, main->Handle(), VK_RETURN));
    CHECK(FakeOf(*main).Offered == std::vector<WPARAM>{VK_RETURN});

    BringToFront(popup);
    CHECK(PressKey(popup, popup.Handle(), VK_LEFT, true));  // Alt+Left: Back in the pop-up only
    CHECK(FakeOf(popup).Backs == 1);
    CHECK(FakeOf(*main).Backs == 0);
}

TEST_CASE_FIXTURE(TPopupFixture, "a page closing its pop-up closes and frees that pop-up only") {
    TfrmBrowser& closing = Open(*main);
    TfrmBrowser& staying = Open(*main);
    const HWND closingWindow = closing.Handle();
    MSG close{FakeOf(closing).Handle(), WM_CLOSE, 0, 0, 0, {}};
    CHECK_NOTHROW(TApplication::Instance().HookMessage(close));  // the main window does not quit
    CHECK_FALSE(IsWindow(closingWindow));
    Pump(50);
    REQUIRE(TApplication::Instance().Forms().size() == 1);
    CHECK(TApplication::Instance().Forms().front().get() == &staying);

    SUBCASE("the user closing it frees it too") {
        SendMessageW(staying.Handle(), WM_CLOSE, 0, 0);
        Pump(50);
        CHECK(TApplication::Instance().Forms().empty());
    }
    SUBCASE("the main window's control closing still ends the runner") {
        MSG mainClose{FakeOf(*main).Handle(), WM_CLOSE, 0, 0, 0, {}};
        CHECK_THROWS_AS(TApplication::Instance().HookMessage(mainClose), TQuitCalled);
    }
}
