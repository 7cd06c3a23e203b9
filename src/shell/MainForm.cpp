#include "shell/MainForm.h"

#include <commctrl.h>

#include "customize/CustomizeBuild.h"
#include "server/Product.h"
#include "server/ServerText.h"
#include "util/Guard.h"
#include "util/ShellKit.h"
#include "util/Timeline.h"
#include "util/Utf.h"

TfrmMain* frmMain = nullptr;

namespace {

const TFrameDesign MainDesign{L"TfrmMain", true, 60, true};
const int BrandButtonCount = 6;  // leading separator to Home
const UINT_PTR Timer1Id = 1, tmrCloseSplashId = 2;

}  // namespace

TfrmMain::TfrmMain(TStartUp startUp, TWebBrowserFactory browserFactory)
    : TBrowserFrame(MainDesign, ProductTitle, std::move(browserFactory), TBuild::Later),
      runsStartUp_(startUp == TStartUp::Run) {
    actCustomize = {"Customize", {VK_F11, true, true}, [this] { actCustomizeExecute(); }};
    CreateTrayMenu();
    exeOnRemovableMedium_ = runsStartUp_ && ExeOnRemovableMedium();
    if (!runsStartUp_) {
        BuildWindow();
        return;
    }
    try {
        FormCreate();
    } catch (...) {
        ReleaseComponents();  // while the whole window is still there
        throw;
    }
    if (showOnStart_) Show();
}

TfrmMain::~TfrmMain() {
    ShowTrayIcon(false);  // for good: the children's last notifications must not bring it back
    ReleaseComponents();
}

void TfrmMain::Show() {
    shown_ = true;
    TBrowserFrame::Show();
    if (fullScreen_) {
        SetWindowPos(Handle(), HWND_TOP, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                     SWP_FRAMECHANGED);
    }
    TimelineMark("window-shown");
}

void TfrmMain::BuildWindow() {
    BuildComponents();
    ActionList1.push_back(&actCustomize);
}

std::string TfrmMain::HomePage() const { return HomeAddress(WebPort); }

// ---- window messages

LRESULT TfrmMain::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = StandardHandler(message, wParam, lParam);
    WndProc(message, wParam, lParam, result);
    return result;
}

LRESULT TfrmMain::StandardHandler(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_TIMER:
        if (wParam == Timer1Id) Timer1Timer();
        if (wParam == tmrCloseSplashId) tmrCloseSplashTimer();
        return 0;
    case WM_DESTROY:
        if (runsStartUp_) FormDestroy();
        return 0;
    default:
        return TBrowserFrame::HandleMessage(message, wParam, lParam);
    }
}

bool TfrmMain::HandleCommand(WORD id, WORD code, HWND control) {
    if (id == btnBrand && control == tlbToolbar) {
        btnBrandClick();
        return true;
    }
    if (!control && TrayCommand(id)) return true;
    return TBrowserFrame::HandleCommand(id, code, control);
}

// ---- handlers

void TfrmMain::btnBrandClick() { Guarded([&] { RunCustomize(); }); }
void TfrmMain::actCustomizeExecute() { Guarded([&] { RunCustomize(); }); }
void TfrmMain::RunCustomize() { TCustomizeBuild(*this).Run(); }

void TfrmMain::tmrCloseSplashTimer() {
    bool complete = false;
    Guarded([&] { complete = !WebBrowser1->Busy() && WebBrowser1->ReadyState() == ReadyStateComplete; });
    Guarded([&] { CloseSplashWhenDue(complete); });
}

void TfrmMain::EnterFullScreen() {
    Guarded([&] {
        const LONG style = GetWindowLongW(Handle(), GWL_STYLE);
        if (!(style & (WS_CAPTION | WS_THICKFRAME))) return;
        ShowWindow(CoolBar1, SW_HIDE);
        ShowWindow(StatusBar1, SW_HIDE);
        SetWindowLongW(Handle(), GWL_STYLE, (style & ~WS_OVERLAPPEDWINDOW) | WS_POPUP);
        fullScreen_ = true;
        showCommand_ = SW_SHOWMAXIMIZED;
        if (IsWindowVisible(Handle())) ShowWindow(Handle(), SW_MAXIMIZE);
        SetWindowPos(Handle(), HWND_TOP, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                     SWP_FRAMECHANGED | SWP_NOACTIVATE);
        AlignComponents();
    });
}

// ---- start-up hooks

void TfrmMain::SetCaption(const std::string& title) {
    TBrowserFrame::SetCaption(title);
    TApplication& application = TApplication::Instance();
    application.Title = title;
    if (application.Handle()) SetWindowTextW(application.Handle(), Widen(title).c_str());
}

void TfrmMain::PrepareMaximizedStart() {
    SetApplicationIcon();
    showCommand_ = SW_SHOWMAXIMIZED;
}

void TfrmMain::BringApplicationToFront() {
    HWND application = TApplication::Instance().Handle();
    if (!application) application = Handle();
    SetForegroundWindow(application);
    TShellKit::ForceForegroundWindow(application);
}

void TfrmMain::StartTimer1(unsigned milliseconds) { SetTimer(Handle(), Timer1Id, milliseconds, nullptr); }
void TfrmMain::StopTimer1() { KillTimer(Handle(), Timer1Id); }
void TfrmMain::StartSplashCloseTimer() { SetTimer(Handle(), tmrCloseSplashId, 1, nullptr); }
void TfrmMain::StopSplashCloseTimer() { KillTimer(Handle(), tmrCloseSplashId); }

void TfrmMain::ApplyBrandLayout() {
    const int count = static_cast<int>(SendMessageW(tlbToolbar, TB_BUTTONCOUNT, 0, 0));
    for (int index = 0; index < count; ++index) {
        TBBUTTON button{};
        SendMessageW(tlbToolbar, TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&button));
        SendMessageW(tlbToolbar, TB_HIDEBUTTON, button.idCommand, index >= BrandButtonCount);
    }
    FormResize();
    HideBrandedTrayItems();
}

void TfrmMain::HideCustomizeButton() {
    SendMessageW(tlbToolbar, TB_HIDEBUTTON, btnBrand, TRUE);
    SendMessageW(tlbToolbar, TB_HIDEBUTTON, sepBrand, TRUE);
    FormResize();
}

void TfrmMain::SetApplicationToolWindow(bool toolWindow) {
    TApplication& application = TApplication::Instance();
    if (application.Handle()) application.SetToolWindowStyle(toolWindow);
}

void TfrmMain::MinimizeMainWindow() {
    showCommand_ = SW_SHOWMINIMIZED;
    if (IsWindowVisible(Handle())) ShowWindow(Handle(), SW_MINIMIZE);
}

bool TfrmMain::HideMainWindow() {
    const bool wasVisible = IsWindowVisible(Handle()) != FALSE;
    ShowWindow(Handle(), SW_HIDE);
    return wasVisible;
}
