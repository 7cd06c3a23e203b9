// The real control hosted in place, and the real main window laid out around it.
#include <doctest/doctest.h>
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <cstdio>
#include <memory>

#include "shell/MainForm.h"
#include "shell/WebBrowserHost.h"
#include "tools/TestBoxes.h"
#include "util/ShellKit.h"

namespace {

struct TOle {
    TOle() { OleInitialize(nullptr); }
    ~TOle() { OleUninitialize(); }
};

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

RECT RectIn(HWND child, HWND parent) {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

bool Shown(HWND window) { return (GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0; }

void Pump(unsigned milliseconds) {
    const DWORD end = GetTickCount() + milliseconds;
    do {
        TShellKit::ProcessMessages();
        Sleep(10);
    } while (GetTickCount() < end);
}

class TWindowTestForm : public TfrmMain {
public:
    TWindowTestForm() : TfrmMain(TStartUp::Skip) {}
};

void SetClientSize(HWND window, int width, int height) {
    RECT frame{0, 0, width, height};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)), FALSE, 0);
    SetWindowPos(window, nullptr, 0, 0, Width(frame), Height(frame), SWP_NOZORDER | SWP_NOMOVE);
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

        // Commands with nothing loaded do nothing and report nothing.
        RecordedBoxes().clear();
        TShellKit::BrowserFind(host);
        TShellKit::BrowserViewSource(host);
        TShellKit::BrowserInternetOptions(host);
        CHECK(RecordedBoxes().empty());
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

// Run by take_screenshots.sh: each pose is announced in poses.txt and held
// while the script takes a picture (console output reaches a pipe only at exit).
TEST_CASE("poses for screenshots" * doctest::skip()) {
    TOle ole;
    TWindowTestForm form;
    const auto pose = [&](const char* name) {
        Pump(500);
        if (FILE* poses = std::fopen("poses.txt", "a")) {
            std::fprintf(poses, "%s\n", name);
            std::fclose(poses);
        }
        Pump(2500);
    };
    form.MoveProgressBarIntoStatusBar();
    form.SetHomeHint("http://127.0.0.1:8080 (Alt+Home)");
    form.Show();
    SetWindowPos(form.Handle(), nullptr, 40, 40, 0, 0, SWP_NOZORDER | SWP_NOSIZE);
    form.SetAddressText("http://127.0.0.1:8080/");
    form.WebBrowser1StatusTextChange("Opening page http://127.0.0.1:8080/...");
    form.WebBrowser1ProgressChange(45, 100);
    form.WebBrowser1CommandStateChange(navForward, false);
    pose("design-size");
    SetClientSize(form.Handle(), 1000, 640);
    pose("wide");
    form.WebBrowser1ProgressChange(-1, 100);
    form.WebBrowser1StatusTextChange("Done");
    SetClientSize(form.Handle(), 520, 380);
    pose("narrow");
    form.EnterFullScreen();
    pose("full-screen");
}
