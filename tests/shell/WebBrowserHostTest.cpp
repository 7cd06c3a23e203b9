// The real control hosted in place, and the real main window laid out around it.
#include <doctest/doctest.h>
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <array>
#include <cstdio>
#include <memory>

#include <exdisp.h>
#include <exdispid.h>

#include "shell/BrowserForm.h"
#include "shell/FormTestKit.h"
#include "shell/MainForm.h"
#include "shell/WebBrowserHost.h"
#include "util/ShellKit.h"

namespace {

struct TRecordingEvents : TWebBrowserEvents {};

class THostWindow {
public:
    THostWindow() {
        window_ = CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                                  400, 300, nullptr, nullptr, nullptr, nullptr);
    }
    ~THostWindow() { DestroyWindow(window_); }
    HWND Get() const { return window_; }

private:
    HWND window_;
};

class TWindowTestForm : public TfrmMain {
public:
    TWindowTestForm() : TfrmMain(TStartUp::Skip) {}
    void RunCustomize() override { ++Customizations; }
    int Customizations = 0;
};

// A new window asked for by the opener's control: the pop-up that holds the
// control handed back, which must be a real second control.
TfrmBrowser& OpenFrom(TBrowserFrame& opener, ComPtr<IDispatch>& control) {
    IDispatch* handedBack = nullptr;
    opener.WebBrowser1NewWindow2(&handedBack);
    REQUIRE(handedBack != nullptr);
    control = ComPtr<IDispatch>(handedBack, false);
    auto* popup = dynamic_cast<TfrmBrowser*>(TApplication::Instance().Forms().back().get());
    REQUIRE(popup != nullptr);
    CHECK(control.As<IUnknown>(IID_IUnknown).Get() == popup->WebBrowser1->Dispatch().As<IUnknown>(IID_IUnknown).Get());
    return *popup;
}

// Ctrl+Shift+F11 from inside a window's control; true when some window took it.
bool CustomizeKeysFrom(TBrowserFrame& frame) {
    BringToFront(frame);
    HoldKeys({VK_SHIFT, VK_CONTROL});
    MSG keys{frame.WebBrowser1->Handle(), WM_KEYDOWN, VK_F11, 0, 0, {}};
    const bool taken = TApplication::Instance().HookMessage(keys);
    HoldKeys({});
    return taken;
}

void CheckLayout(TfrmMain& form) {
    RECT client{};
    GetClientRect(form.Handle(), &client);
    INFO("client " << client.right << " x " << client.bottom);
    const RECT coolBar = RectIn(form.CoolBar1, form.Handle());
    const RECT status = RectIn(form.StatusBar1, form.Handle());
    const RECT browser = RectIn(form.WebBrowser1->Handle(), form.Handle());
    CHECK(coolBar.left == 0);
    CHECK(coolBar.top == 0);
    CHECK(Width(coolBar) == client.right);
    CHECK(Height(coolBar) >= 52);
    CHECK(status.bottom == client.bottom);
    CHECK(Height(status) == 21);
    CHECK(Width(status) == client.right);
    CHECK(browser.left == 0);
    CHECK(browser.right == client.right);
    CHECK(browser.top == coolBar.bottom + 2);  // its etched edge between
    CHECK(browser.bottom == status.top);

    HWND panel = GetParent(form.tlbToolbar);
    RECT panelClient{};
    GetClientRect(panel, &panelClient);
    const RECT menu = RectIn(form.tlbMenu, panel);
    const RECT toolbar = RectIn(form.tlbToolbar, panel);
    const RECT go = RectIn(form.tlbGo, panel);
    const RECT address = RectIn(form.cboAddress, panel);
    CHECK(menu.left == 2);
    CHECK(menu.top == 0);
    CHECK(Width(menu) == 16);
    CHECK(Height(menu) == 52);
    CHECK(toolbar.left == menu.right);
    CHECK(Height(toolbar) == 52);
    CHECK(Height(panelClient) == 52);
    CHECK(go.right == panelClient.right - 4);
    CHECK(Width(go) == 51);
    CHECK(Height(go) == 26);
    CHECK(go.top == 13);
    CHECK(address.left == toolbar.right + 8);
    CHECK(address.right == go.left - 4);
    CHECK(address.top == (52 - 22) / 2);

    RECT panelOne{};
    SendMessageW(form.StatusBar1, SB_GETRECT, 1, reinterpret_cast<LPARAM>(&panelOne));
    const RECT progress = RectIn(form.ProgressBar1, form.StatusBar1);
    CHECK(progress.left == panelOne.left);
    CHECK(progress.right == panelOne.right);
    CHECK(progress.top == panelOne.top);
    CHECK(progress.bottom == panelOne.bottom);
    int rights[3]{};
    SendMessageW(form.StatusBar1, SB_GETPARTS, 3, reinterpret_cast<LPARAM>(rights));
    CHECK(rights[1] - rights[0] == 200);
    CHECK(rights[2] - rights[1] == 60);
    CHECK(rights[2] == client.right);
}


void RaiseEvent(IDispatch& sink, DISPID id, VARIANT argument) {
    DISPPARAMS params{&argument, nullptr, 1, 0};
    sink.Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
}

VARIANT Long(LONG value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}

VARIANT Bool(bool value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BOOL;
    v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

const RECT FreshBounds{RequestOrigin, RequestOrigin, RequestOrigin, RequestOrigin};

}  // namespace

TEST_CASE("the control is created in place and released completely") {
    TOle ole;
    THostWindow parent;
    TRecordingEvents events;
    {
        TWebBrowserHost host(parent.Get(), events);
        CHECK(TWebBrowserHost::LiveSites() == 1);
        HWND control = host.Handle();
        REQUIRE(control != nullptr);
        CHECK(IsChild(parent.Get(), control));
        host.SetBounds({10, 20, 210, 120});
        const RECT placed = RectIn(control, parent.Get());
        CHECK(placed.left == 10);
        CHECK(placed.top == 20);
        CHECK(Width(placed) == 200);
        CHECK(Height(placed) == 100);
        CHECK(host.Dispatch());

        // Commands with nothing loaded must not fault.
        TShellKit::BrowserFind(host);
        TShellKit::BrowserViewSource(host);
        TShellKit::BrowserInternetOptions(host);
        host.SetSilent(true);
    }
    CHECK(TWebBrowserHost::LiveSites() == 0);
    CHECK(TWebBrowserHost::LastControlRelease() == 0);
}

TEST_CASE("the main window's children at several sizes and in full screen") {
    TOle ole;
    TWindowTestForm form;
    form.MoveProgressBarIntoStatusBar();
    form.Show();
    form.WebBrowser1ProgressChange(40, 100);
    for (auto [width, height] : {std::pair{632, 453}, std::pair{1000, 700}, std::pair{480, 360}}) {
        SetClientSize(form.Handle(), width, height);
        Pump(50);
        CheckLayout(form);
    }

    SUBCASE("address box focus is edit focus; the cool bar holding it counts too") {
        HWND edit = reinterpret_cast<HWND>(SendMessageW(form.cboAddress, CBEM_GETEDITCONTROL, 0, 0));
        SetForegroundWindow(form.Handle());
        SetFocus(edit);
        CHECK(TShellKit::IsEditFocused(form.Handle()));
        CHECK(TShellKit::IsEditControl(form.CoolBar1));
        CHECK_FALSE(TShellKit::IsEditControl(form.tlbToolbar));
        SetFocus(form.Handle());
        CHECK_FALSE(TShellKit::IsEditFocused(form.Handle()));
    }
    SUBCASE("full screen hides the bars and covers the screen") {
        form.EnterFullScreen();
        Pump(50);
        RECT window{}, client{};
        GetWindowRect(form.Handle(), &window);
        GetClientRect(form.Handle(), &client);
        CHECK(window.left == 0);
        CHECK(window.top == 0);
        CHECK(Width(window) == GetSystemMetrics(SM_CXSCREEN));
        CHECK(Height(window) == GetSystemMetrics(SM_CYSCREEN));
        CHECK_FALSE(Shown(form.CoolBar1));
        CHECK_FALSE(Shown(form.StatusBar1));
        const RECT browser = RectIn(form.WebBrowser1->Handle(), form.Handle());
        CHECK(browser.top == 0);
        CHECK(browser.bottom == client.bottom);
        CHECK(browser.right == client.right);
    }
    SUBCASE("a resize while hidden is laid out when the window shows again") {
        const RECT goBefore = RectIn(form.tlbGo, form.Handle());
        ShowWindow(form.Handle(), SW_HIDE);
        SetClientSize(form.Handle(), 800, 500);
        Pump(50);
        CHECK(RectIn(form.tlbGo, form.Handle()).left == goBefore.left);
        ShowWindow(form.Handle(), SW_SHOW);
        Pump(50);
        CheckLayout(form);
    }
    SUBCASE("bars hidden by the settings give the control the whole window") {
        form.SetBarsVisible(false, false);
        RECT client{};
        GetClientRect(form.Handle(), &client);
        const RECT browser = RectIn(form.WebBrowser1->Handle(), form.Handle());
        CHECK(browser.top == 0);
        CHECK(browser.bottom == client.bottom);
    }
}

TEST_CASE("a page's request for its window reaches the bounds and bars the control reports") {
    TOle ole;
    THostWindow parent;
    TRecordingEvents events;
    TWebBrowserHost host(parent.Get(), events);
    host.SetBounds(FreshBounds);
    const auto asked = [&] {
        const RECT b = host.BoundsRect();
        return std::array<LONG, 4>{b.left, b.top, b.right - b.left + b.left - RequestOrigin,
                                   b.bottom - b.top + b.top - RequestOrigin};
    };

    SUBCASE("through the control's own properties, one edge at a time") {
        auto browser = host.Dispatch().As<IWebBrowser2>(IID_IWebBrowser2);
        REQUIRE(browser);
        CHECK(SUCCEEDED(browser->put_Left(100)));
        CHECK(SUCCEEDED(browser->put_Width(400)));
        CHECK(SUCCEEDED(browser->put_Top(50)));
        CHECK(SUCCEEDED(browser->put_Height(300)));
        CHECK(asked() == std::array<LONG, 4>{100, 50, 400, 300});
        CHECK(host.MenuBar());
        browser->put_MenuBar(VARIANT_FALSE);
        browser->put_ToolBar(0);
        browser->put_AddressBar(VARIANT_FALSE);
        browser->put_StatusBar(VARIANT_FALSE);
        CHECK_FALSE(host.MenuBar());
        CHECK(host.ToolBar() == 0);
        CHECK_FALSE(host.AddressBar());
        CHECK_FALSE(host.StatusBar());
    }
    SUBCASE("through the window events") {
        ComPtr<IDispatch> sink = host.EventSink();
        REQUIRE(sink);
        RaiseEvent(*sink.Get(), DISPID_WINDOWSETHEIGHT, Long(300));
        RaiseEvent(*sink.Get(), DISPID_WINDOWSETTOP, Long(50));
        RaiseEvent(*sink.Get(), DISPID_WINDOWSETWIDTH, Long(400));
        RaiseEvent(*sink.Get(), DISPID_WINDOWSETLEFT, Long(100));
        CHECK(asked() == std::array<LONG, 4>{100, 50, 400, 300});
        CHECK(host.Resizable());
        RaiseEvent(*sink.Get(), DISPID_WINDOWSETRESIZABLE, Bool(false));
        RaiseEvent(*sink.Get(), DISPID_ONMENUBAR, Bool(false));
        RaiseEvent(*sink.Get(), DISPID_ONSTATUSBAR, Bool(false));
        CHECK_FALSE(host.Resizable());
        CHECK_FALSE(host.MenuBar());
        CHECK_FALSE(host.StatusBar());
        CHECK(host.AddressBar());
        CHECK(host.ToolBar() != 0);
    }
    // Recorded only: the control stays where its window put it.
    const RECT control = RectIn(host.Handle(), parent.Get());
    CHECK(control.left == RequestOrigin);
    CHECK(Width(control) == 0);
    host.SetBounds({0, 0, 200, 100});
    CHECK(asked() == std::array<LONG, 4>{0, 0, 200 - RequestOrigin, 100 - RequestOrigin});
}

TEST_CASE("the main window answers a new window with a pop-up of its own, which opens its own in turn; each freed "
          "when its page closes it") {
    TOle ole;
    {
        TWindowTestForm form;
        form.WebPort = 8080;
        form.FavoritesFile = "C:\\site\\bin\\Favorites.ini";
        ComPtr<IDispatch> control;
        TfrmBrowser* popup = &OpenFrom(form, control);
        REQUIRE(TApplication::Instance().Forms().size() == 1);
        CHECK(TWebBrowserHost::LiveSites() == 2);
        auto browser = control.As<IWebBrowser2>(IID_IWebBrowser2);
        VARIANT_BOOL registered = VARIANT_FALSE;
        REQUIRE(browser);
        browser->get_RegisterAsBrowser(&registered);
        CHECK(registered != VARIANT_FALSE);
        CHECK(popup->HomeUrl == "http://127.0.0.1:8080");
        CHECK(popup->FavoritesFile == form.FavoritesFile);
        CHECK(GetWindow(popup->Handle(), GW_OWNER) == nullptr);
        CHECK(IsWindowVisible(popup->Handle()));
        browser.Reset();
        control.Reset();  // the asking control lets go of it

        // Customize belongs to the main window alone.
        CHECK_FALSE(CustomizeKeysFrom(*popup));
        CHECK(form.Customizations == 0);
        CHECK(CustomizeKeysFrom(form));
        CHECK(form.Customizations == 1);

        // A pop-up of the pop-up: the same Home and Favorites, freed on its own.
        ComPtr<IDispatch> secondControl;
        TfrmBrowser& second = OpenFrom(*popup, secondControl);
        CHECK(TApplication::Instance().Forms().size() == 2);
        CHECK(TWebBrowserHost::LiveSites() == 3);
        CHECK(second.HomeUrl == popup->HomeUrl);
        CHECK(second.FavoritesFile == form.FavoritesFile);
        secondControl.Reset();
        const HWND secondWindow = second.Handle();
        PostMessageW(second.WebBrowser1->Handle(), WM_CLOSE, 0, 0);
        PumpThroughHooks(200);
        CHECK_FALSE(IsWindow(secondWindow));
        CHECK(TApplication::Instance().Forms().size() == 1);
        CHECK(TWebBrowserHost::LiveSites() == 2);

        const HWND popupWindow = popup->Handle();
        PostMessageW(popup->WebBrowser1->Handle(), WM_CLOSE, 0, 0);
        PumpThroughHooks(200);
        CHECK_FALSE(IsWindow(popupWindow));
        CHECK(TApplication::Instance().Forms().empty());
        CHECK(TWebBrowserHost::LiveSites() == 1);
        CHECK(TWebBrowserHost::LastControlRelease() == 0);
        CHECK(IsWindow(form.Handle()));
    }
    CHECK(TWebBrowserHost::LiveSites() == 0);
}

// Run by take_screenshots.sh: each pose is announced in poses.txt and held
// while the script takes a picture (console output reaches a pipe only at exit).
void Pose(const char* name) {
    Pump(500);
    if (FILE* poses = std::fopen("poses.txt", "a")) {
        std::fprintf(poses, "%s\n", name);
        std::fclose(poses);
    }
    Pump(2500);
}

TEST_CASE("poses for screenshots" * doctest::skip()) {
    TOle ole;
    TWindowTestForm form;
    form.MoveProgressBarIntoStatusBar();
    form.SetHomeHint("http://127.0.0.1:8080 (Alt+Home)");
    form.Show();
    SetWindowPos(form.Handle(), nullptr, 40, 40, 0, 0, SWP_NOZORDER | SWP_NOSIZE);
    form.SetAddressText("http://127.0.0.1:8080/");
    form.WebBrowser1StatusTextChange("Opening page http://127.0.0.1:8080/...");
    form.WebBrowser1ProgressChange(45, 100);
    form.WebBrowser1CommandStateChange(navForward, false);
    Pose("design-size");
    SetClientSize(form.Handle(), 1000, 640);
    Pose("wide");
    form.WebBrowser1ProgressChange(-1, 100);
    form.WebBrowser1StatusTextChange("Done");
    SetClientSize(form.Handle(), 520, 380);
    Pose("narrow");
    form.EnterFullScreen();
    Pose("full-screen");
}

TEST_CASE("pop-up poses for screenshots" * doctest::skip()) {
    TOle ole;
    TWindowTestForm opener;
    opener.WebPort = 8080;
    // A page's window.open, as the control reports it to the new window.
    const auto open = [&](std::initializer_list<std::pair<DISPID, VARIANT>> features) -> TfrmBrowser& {
        IDispatch* handedBack = nullptr;
        opener.WebBrowser1NewWindow2(&handedBack);
        ComPtr<IDispatch> control(handedBack, false);
        auto& popup = dynamic_cast<TfrmBrowser&>(*TApplication::Instance().Forms().back());
        ComPtr<IDispatch> sink = static_cast<TWebBrowserHost&>(*popup.WebBrowser1).EventSink();
        for (auto [id, value] : features) RaiseEvent(*sink.Get(), id, value);
        popup.WebBrowser1BeforeNavigate2();
        popup.SetAddressText("http://127.0.0.1:8080/window.php");
        popup.WebBrowser1TitleChange("Order details");
        popup.WebBrowser1StatusTextChange("Done");
        return popup;
    };
    TfrmBrowser& unasked = open({});
    Pose("design");
    unasked.Close();
    TfrmBrowser& asked = open({{DISPID_WINDOWSETLEFT, Long(100)}, {DISPID_WINDOWSETTOP, Long(50)},
                               {DISPID_WINDOWSETWIDTH, Long(400)}, {DISPID_WINDOWSETHEIGHT, Long(300)}});
    Pose("400x300-with-bars");
    asked.Close();
    open({{DISPID_WINDOWSETLEFT, Long(100)}, {DISPID_WINDOWSETTOP, Long(50)}, {DISPID_WINDOWSETWIDTH, Long(400)},
          {DISPID_WINDOWSETHEIGHT, Long(300)}, {DISPID_ONMENUBAR, Bool(false)}, {DISPID_ONSTATUSBAR, Bool(false)}});
    Pose("400x300-without-bars");
    TApplication::Instance().FreeForms();
}
