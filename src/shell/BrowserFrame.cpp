#include "shell/BrowserFrame.h"

#include <commctrl.h>
#include <mshtml.h>

#include "server/Product.h"
#include "shell/BrowserForm.h"
#include "shell/BrowserRules.h"
#include "shell/Panel.h"
#include "shell/WebBrowserHost.h"
#include "util/Errors.h"
#include "util/Guard.h"
#include "util/ShellKit.h"
#include "util/Text.h"
#include "util/Timeline.h"
#include "util/Utf.h"

namespace {

const int DesignClientWidth = 632, DesignClientHeight = 453;
const int ToolbarHeight = 52, ToolbarButtonWidth = 56, SeparatorWidth = 8;
const int MenuButtonWidth = 16, GoWidth = 51, GoHeight = 26;
const int AddressHeight = 22, AddressDropDownItems = 8;
const int StatusBarHeight = 21;
const int CoolBarEdge = 2;  // the etched line under the cool bar
const WORD cboAddressId = 300;
const UINT WM_RELAYOUT = WM_APP + 1;

bool Visible(HWND window) { return (GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0; }

HWND CreateChild(const wchar_t* className, DWORD style, HWND parent, WORD id = 0, DWORD exStyle = 0) {
    HWND window = CreateWindowExW(exStyle, className, nullptr, WS_CHILD | style, 0, 0, 0, 0, parent,
                                  reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), GetModuleHandleW(nullptr),
                                  nullptr);
    if (!window) throw EOSError("Error creating window", GetLastError());
    return window;
}

// One strip of equal images drawn at build time; magenta is transparent.
UniqueImageList LoadImageStrip(const wchar_t* resource, int width, int height) {
    UniqueImageList list(ImageList_Create(width, height, ILC_COLOR24 | ILC_MASK, 8, 0));
    UniqueBitmap strip(static_cast<HBITMAP>(
        LoadImageW(GetModuleHandleW(nullptr), resource, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (list && strip) ImageList_AddMasked(list.Get(), strip.Get(), RGB(255, 0, 255));
    return list;
}

struct TButtonDesign {
    WORD id;
    int image;  // the separator's width for a separator
    const wchar_t* caption;
};

TBBUTTON ToolButton(const TButtonDesign& design) {
    TBBUTTON button{};
    button.idCommand = design.id;
    button.fsState = TBSTATE_ENABLED;
    button.iBitmap = design.image;
    button.fsStyle = design.caption ? BTNS_BUTTON : BTNS_SEP;
    button.iString = design.caption ? reinterpret_cast<INT_PTR>(design.caption) : -1;
    return button;
}

void AddButtons(HWND toolbar, const std::vector<TButtonDesign>& designs) {
    std::vector<TBBUTTON> buttons;
    for (const TButtonDesign& design : designs) buttons.push_back(ToolButton(design));
    SendMessageW(toolbar, TB_ADDBUTTONSW, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
}

// The library loads on its first use; every control class the runner's windows
// and dialogs create is registered before the first of them.
void RegisterCommonControlClasses() {
    INITCOMMONCONTROLSEX classes{};
    classes.dwSize = sizeof(classes);
    classes.dwICC = ICC_WIN95_CLASSES | ICC_COOL_CLASSES | ICC_USEREX_CLASSES;
    InitCommonControlsEx(&classes);
}

bool KeyIsDown(int key) { return GetKeyState(key) < 0; }

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

}  // namespace

std::unique_ptr<TWebBrowser> CreateWebBrowserHost(HWND parent, TWebBrowserEvents& events) {
    return std::make_unique<TWebBrowserHost>(parent, events);
}

TBrowserFrame::TBrowserFrame(const TFrameDesign& design, const std::string& caption,
                             TWebBrowserFactory browserFactory, TBuild build)
    : design_(design), browserFactory_(std::move(browserFactory)) {
    const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    RECT frame{0, 0, DesignClientWidth, DesignClientHeight};
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    RegisterWindowClass(design_.ClassName);
    CreateHandle(design_.ClassName, caption, style, 0, CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                 frame.bottom - frame.top, nullptr);
    if (build == TBuild::Now) BuildComponents();
}

void TBrowserFrame::BuildComponents() {
    try {
        CreateComponents();
        TimelineMark("browser-control");
        WebBrowser1 = browserFactory_(Handle(), *this);
        TimelineMark("browser-control-loaded");
    } catch (...) {
        ReleaseComponents();  // no destructor runs for a constructor that throws
        throw;
    }
    AlignComponents();
    TApplication::Instance().AddMessageHook(*this);
}

TBrowserFrame::~TBrowserFrame() { ReleaseComponents(); }

void TBrowserFrame::ReleaseComponents() noexcept {
    TApplication::Instance().RemoveMessageHook(*this);
    // The control and the toolbar row go while this object is whole: their
    // last notifications still find every member. The shared hint window is
    // taken back first, or the first toolbar to go would destroy it.
    WebBrowser1.reset();
    for (HWND toolbar : {tlbMenu, tlbToolbar, tlbGo}) SendMessageW(toolbar, TB_SETTOOLTIPS, 0, 0);
    pnlToolbar.reset();
}

void TBrowserFrame::Show() {
    ShowWindow(Handle(), showCommand_);
    UpdateWindow(Handle());
}

// ---- components

void TBrowserFrame::CreateComponents() {
    RegisterCommonControlClasses();
    font_.Reset(CreateFontW(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Tahoma"));
    SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    HintWindow.Reset(THintWindowEx::Create());
    CreateCoolBar();
    CreateToolbars();
    CreateAddressBox();
    CreateStatusBar();
    CreateMenu();
    CreateActions();
    hints_ = {{btnMenu, "Click here to open menu (Alt+M)"},
              {btnBack, "Go back one page (Alt+Left Arrow)"},
              {btnForward, "Go forward one page (Alt+Right Arrow)"},
              {btnRefresh, "Reload current page (F5)"},
              {btnStop, "Stop loading this page (Esc)"},
              {btnBrand, "Click here to open the Customize Window"},
              {btnGo, "Go to the address in the Location Bar"}};
}

void TBrowserFrame::CreateCoolBar() {
    CoolBar1 = CreateChild(REBARCLASSNAMEW,
                           WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | RBS_VARHEIGHT | CCS_NOPARENTALIGN |
                               CCS_NORESIZE,
                           Handle());
    pnlToolbar = std::make_unique<TPanel>(CoolBar1, Handle());
    REBARBANDINFOW band{};
    band.cbSize = sizeof(band);
    band.fMask = RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_STYLE;
    band.fStyle = RBBS_NOGRIPPER | RBBS_FIXEDSIZE;
    band.hwndChild = pnlToolbar->Handle();
    band.cyMinChild = ToolbarHeight;
    SendMessageW(CoolBar1, RB_INSERTBANDW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&band));
    RECT bar{};
    GetWindowRect(CoolBar1, &bar);
    const int barHeight = static_cast<int>(SendMessageW(CoolBar1, RB_GETBARHEIGHT, 0, 0));
    coolBarHeight_ = std::max(barHeight, ToolbarHeight);
}

void TBrowserFrame::CreateToolbars() {
    const auto makeToolbar = [&](DWORD extraStyle, UniqueImageList images, UniqueImageList disabled) {
        HWND toolbar = CreateChild(TOOLBARCLASSNAMEW,
                                   WS_VISIBLE | TBSTYLE_FLAT | CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN |
                                       extraStyle,
                                   pnlToolbar->Handle());
        SendMessageW(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
        SendMessageW(toolbar, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
        SendMessageW(toolbar, TB_SETTOOLTIPS, reinterpret_cast<WPARAM>(HintWindow.Get()), 0);
        SendMessageW(toolbar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images.Get()));
        imageLists_.push_back(std::move(images));
        if (disabled) {
            SendMessageW(toolbar, TB_SETDISABLEDIMAGELIST, 0, reinterpret_cast<LPARAM>(disabled.Get()));
            imageLists_.push_back(std::move(disabled));
        }
        return toolbar;
    };
    tlbMenu = makeToolbar(0, LoadImageStrip(L"MENU_ART", 9, 46), {});
    AddButtons(tlbMenu, {{btnMenu, 0, L""}});
    SendMessageW(tlbMenu, TB_SETBUTTONSIZE, 0, MAKELONG(MenuButtonWidth, ToolbarHeight));
    SetWindowPos(tlbMenu, nullptr, 2, 0, MenuButtonWidth, ToolbarHeight, SWP_NOZORDER);

    tlbToolbar = makeToolbar(0, LoadImageStrip(L"TOOLBAR_ART", 32, 32), LoadImageStrip(L"TOOLBAR_ART_DISABLED", 32, 32));
    std::vector<TButtonDesign> buttons{{sepLeading, SeparatorWidth, nullptr}, {btnBack, 0, L"Back"},
                                       {btnForward, 1, L"  Forward "},     {btnRefresh, 2, L"Refresh"},
                                       {btnStop, 3, L"Stop"},              {btnHome, 4, L"Home"}};
    if (design_.CustomizeButton)
        buttons.insert(buttons.end(), {{sepBrand, SeparatorWidth, nullptr}, {btnBrand, 6, L"Customize"}});
    AddButtons(tlbToolbar, buttons);
    SendMessageW(tlbToolbar, TB_SETBUTTONSIZE, 0, MAKELONG(ToolbarButtonWidth, ToolbarHeight));

    tlbGo = makeToolbar(TBSTYLE_LIST, LoadImageStrip(L"GO_ART", 20, 20), {});
    AddButtons(tlbGo, {{btnGo, 0, L"Go"}});
    SendMessageW(tlbGo, TB_SETBUTTONSIZE, 0, MAKELONG(GoWidth, GoHeight));
    SetWindowPos(tlbGo, nullptr, 0, 0, GoWidth, GoHeight, SWP_NOZORDER | SWP_NOMOVE);
}

void TBrowserFrame::CreateAddressBox() {
    cboAddress = CreateChild(WC_COMBOBOXEXW, WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWN | CBS_AUTOHSCROLL,
                             pnlToolbar->Handle(), cboAddressId);
    UniqueImageList images = LoadImageStrip(L"ADDRESS_ART", 16, 16);
    SendMessageW(cboAddress, CBEM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images.Get()));
    imageLists_.push_back(std::move(images));
    COMBOBOXEXITEMW editItem{};  // the edit shows the image even before any entry exists
    editItem.mask = CBEIF_IMAGE | CBEIF_SELECTEDIMAGE;
    editItem.iItem = -1;
    SendMessageW(cboAddress, CBEM_SETITEMW, 0, reinterpret_cast<LPARAM>(&editItem));
    SendMessageW(cboAddress, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    SendMessageW(cboAddress, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), AddressHeight - 6);
    const int itemHeight = static_cast<int>(SendMessageW(cboAddress, CB_GETITEMHEIGHT, 0, 0));
    SetWindowPos(cboAddress, nullptr, 0, 0, 200, AddressHeight + AddressDropDownItems * std::max(itemHeight, 16) + 2,
                 SWP_NOZORDER | SWP_NOMOVE);
}

void TBrowserFrame::CreateStatusBar() {
    StatusBar1 = CreateChild(STATUSCLASSNAMEW, WS_VISIBLE | SBARS_SIZEGRIP | CCS_NOPARENTALIGN | CCS_NORESIZE,
                             Handle());
    SendMessageW(StatusBar1, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    const int rights[3] = {100, 300, -1};
    SendMessageW(StatusBar1, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(rights));
    ProgressBar1 = CreateChild(PROGRESS_CLASSW, PBS_SMOOTH, Handle());
}

void TBrowserFrame::CreateMenu() {
    mnuMenu.Reset(CreatePopupMenu());
    HMENU menu = mnuMenu.Get();
    AppendMenuW(menu, MF_STRING, mnuMenu_SaveAs, L"Save &As...");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, mnuMenu_PageSetup, L"Page Set&up...");
    AppendMenuW(menu, MF_STRING, mnuMenu_Print, L"&Print...\tCtrl+P");
    AppendMenuW(menu, MF_STRING, mnuMenu_PrintPreview, L"Print Pre&view...");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, mnuMenu_Find, L"&Find (on This Page)...\tCtrl+F");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, mnuMenu_Source, L"Sour&ce");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, mnuMenu_InternetOptions, L"Internet &Options...");
    AppendMenuW(menu, MF_STRING, mnuMenu_OrganizeFavorites, L"Organize Favorites...");
    SetMenuDefaultItem(menu, mnuMenu_OrganizeFavorites, FALSE);
    SetOrganizeFavoritesBarBreak();
}

void TBrowserFrame::CreateActions() {
    const auto define = [](TAction& action, const char* caption, TShortCut shortCut, std::function<void()> execute) {
        action.Caption = caption;
        action.ShortCut = shortCut;
        action.Execute = std::move(execute);
    };
    define(actMenu, "Menu (Alt+M)", {'M', false, false, true}, [this] { actMenuExecute(); });
    define(actBack, "Back (Alt+Left)", {VK_LEFT, false, false, true}, [this] { btnBackClick(); });
    define(actBack2, "Back (BkSp)", {VK_BACK}, [this] { btnBackClick(); });
    define(actForward, "Forward (Alt+Right)", {VK_RIGHT, false, false, true}, [this] { btnForwardClick(); });
    define(actForward2, "Forward (Shift+BkSp)", {VK_BACK, true}, [this] { btnForwardClick(); });
    define(actRefresh, "Refresh (F5)", {VK_F5}, [this] { btnRefreshClick(); });
    define(actRefresh2, "Refresh (Ctrl+R)", {'R', false, true}, [this] { btnRefreshClick(); });
    define(actRefresh3, "Refresh (Ctrl+F5)", {VK_F5, false, true}, [this] { btnRefreshClick(); });
    define(actStop, "Stop (Esc)", {VK_ESCAPE}, [this] { btnStopClick(); });
    define(actHome, "Home (Alt+Home)", {VK_HOME, false, false, true}, [this] { btnHomeClick(); });
    define(actPrint, "Print (Ctrl+P)", {'P', false, true}, [this] { mnuMenu_PrintClick(); });
    define(actFind, "Find (Ctrl+F)", {'F', false, true}, [this] { mnuMenu_FindClick(); });
    actStop.Enabled = false;
    ActionList1 = {&actMenu,     &actBack, &actBack2, &actForward, &actForward2, &actRefresh,
                   &actRefresh2, &actRefresh3, &actStop, &actHome,   &actPrint,    &actFind};
}

// ---- window messages

LRESULT TBrowserFrame::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        AlignComponents();
        FormResize();
        return 0;
    case WM_SHOWWINDOW:
        // Visible only once this message is through.
        if (wParam) {
            FormShow();
            PostMessageW(Handle(), WM_RELAYOUT, 0, 0);
        }
        return DefaultHandler(message, wParam, lParam);
    case WM_RELAYOUT:
        FormResize();
        return 0;
    case WM_PAINT:
        PaintCoolBarEdge();
        return 0;
    case WM_COMMAND:
        if (HandleCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam))) return 0;
        return DefaultHandler(message, wParam, lParam);
    case WM_NOTIFY: {
        LRESULT result = 0;
        if (HandleNotify(*reinterpret_cast<NMHDR*>(lParam), result)) return result;
        return DefaultHandler(message, wParam, lParam);
    }
    default:
        return DefaultHandler(message, wParam, lParam);
    }
}

bool TBrowserFrame::HandleCommand(WORD id, WORD code, HWND control) {
    if (control && control == cboAddress) {
        if (code == CBN_SELENDOK) {
            const int index = static_cast<int>(SendMessageW(cboAddress, CB_GETCURSEL, 0, 0));
            if (index >= 0) SetAddressText(AddressHistory()[static_cast<size_t>(index)]);
            cboAddressClick();
        }
        if (code == CBN_EDITCHANGE) cboAddressChange();
        return true;
    }
    switch (id) {
    case btnMenu: btnMenuClick(); return true;
    case btnBack: btnBackClick(); return true;
    case btnForward: btnForwardClick(); return true;
    case btnRefresh: btnRefreshClick(); return true;
    case btnStop: btnStopClick(); return true;
    case btnHome: btnHomeClick(); return true;
    case btnGo: btnGoClick(); return true;
    case mnuMenu_SaveAs: mnuMenu_SaveAsClick(); return true;
    case mnuMenu_PageSetup: mnuMenu_PageSetupClick(); return true;
    case mnuMenu_Print: mnuMenu_PrintClick(); return true;
    case mnuMenu_PrintPreview: mnuMenu_PrintPreviewClick(); return true;
    case mnuMenu_Find: mnuMenu_FindClick(); return true;
    case mnuMenu_Source: mnuMenu_SourceClick(); return true;
    case mnuMenu_InternetOptions: mnuMenu_InternetOptionsClick(); return true;
    case mnuMenu_OrganizeFavorites: mnuMenu_OrganizeFavoritesClick(); return true;
    default: break;
    }
    const TFavoriteItem* favorite = favorites_.Item(id);
    if (!favorite) return false;
    if (favorite->kind == TFavoriteKind::Folder) DirMenuItemClick(favorite->caption);
    if (favorite->kind == TFavoriteKind::Page) UrlMenuItemClick(favorite->caption);
    return true;
}

bool TBrowserFrame::HandleNotify(NMHDR& header, LRESULT& result) {
    if (header.code != TTN_GETDISPINFOW) return false;
    auto& info = reinterpret_cast<NMTTDISPINFOW&>(header);
    hintBuffer_ = Widen(ButtonHint(static_cast<WORD>(header.idFrom)));
    info.lpszText = hintBuffer_.data();
    info.hinst = nullptr;
    result = 0;
    return true;
}

// ---- message hook and keys

bool TBrowserFrame::ApplicationMessage(MSG& message) {
    try {
        ApplicationEvents1Message(message);
        const bool keyMessage = message.message >= WM_KEYFIRST && message.message <= WM_KEYLAST;
        // The control's own keys first (F5 among them); Enter was offered by the hook already.
        if (keyMessage && message.wParam != VK_RETURN && IsBrowserWindow(message.hwnd) &&
            WebBrowser1->TranslateAccelerator(message))
            return true;
        if (IsShortCut(message)) return true;
        if ((message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN) && IsAddressBoxWindow(message.hwnd))
            return cboAddressKeyDown(static_cast<WORD>(message.wParam));
    } catch (const std::exception& error) {
        ShowHandlerException(Handle(), error);
        return true;
    }
    return false;
}

void TBrowserFrame::ApplicationEvents1Message(MSG& message) {
    Guarded([&] { ActionList1Active = GetForegroundWindow() == Handle(); });
    Guarded([&] { actBack2.Enabled = actForward2.Enabled = !TShellKit::IsEditFocused(Handle()); });
    if (message.message == WM_CLOSE && WebBrowser1 && message.hwnd == WebBrowser1->Handle()) {
        BrowserWindowClosed();
        return;
    }
    if (design_.EnterToControl && message.wParam == VK_RETURN)
        Guarded([&] { WebBrowser1->TranslateAccelerator(message); });
}

bool TBrowserFrame::IsShortCut(const MSG& message) {
    if (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN) return false;
    if (!ActionList1Active) return false;
    const TShortCut pressed{static_cast<WORD>(message.wParam), KeyIsDown(VK_SHIFT), KeyIsDown(VK_CONTROL),
                            (message.lParam & (1 << 29)) != 0};
    for (TAction* action : ActionList1) {
        const TShortCut& key = action->ShortCut;
        if (key.Key == pressed.Key && key.Shift == pressed.Shift && key.Ctrl == pressed.Ctrl &&
            key.Alt == pressed.Alt && action->Enabled) {
            action->Execute();
            return true;
        }
    }
    return false;
}

bool TBrowserFrame::IsBrowserWindow(HWND window) const {
    HWND browser = WebBrowser1 ? WebBrowser1->Handle() : nullptr;
    return browser && (window == browser || IsChild(browser, window));
}

bool TBrowserFrame::IsAddressBoxWindow(HWND window) const {
    return window == cboAddress || IsChild(cboAddress, window);
}

// ---- browsing

void TBrowserFrame::NavigateTo(const std::string& url) { WebBrowser1->Navigate(Trim(url)); }

void TBrowserFrame::btnGoClick() { NavigateTo(AddressText()); }
void TBrowserFrame::cboAddressClick() { NavigateTo(AddressText()); }
void TBrowserFrame::btnBackClick() { Guarded([&] { WebBrowser1->GoBack(); }); }
void TBrowserFrame::btnForwardClick() { Guarded([&] { WebBrowser1->GoForward(); }); }
void TBrowserFrame::btnStopClick() { Guarded([&] { WebBrowser1->Stop(); }); }

// The control reloads as for its own F5; it is never asked to refresh itself.
void TBrowserFrame::btnRefreshClick() {
    Guarded([&] {
        auto document = WebBrowser1->Document().As<IHTMLDocument2>(IID_IHTMLDocument2);
        if (!document) return;
        ComPtr<IHTMLWindow2> window;
        if (FAILED(document->get_parentWindow(window.Put())) || !window) return;
        window->focus();
        keybd_event(VK_F5, 0, 0, 0);
        keybd_event(VK_F5, 0, KEYEVENTF_KEYUP, 0);
    });
}

void TBrowserFrame::btnHomeClick() {
    Guarded([&] {
        SetAddressText(HomePage());
        NavigateTo(AddressText());
    });
}

bool TBrowserFrame::cboAddressKeyDown(WORD key) {
    const TAddressKey move = key == VK_UP || key == VK_LEFT      ? TAddressKey::Previous
                             : key == VK_DOWN || key == VK_RIGHT ? TAddressKey::Next
                                                                 : TAddressKey::Other;
    const int target = AddressKeyTarget(move, AddressIndex(), static_cast<int>(AddressHistory().size()));
    if (target >= 0) {
        SelectAddress(target);
        return true;
    }
    if (key == VK_RETURN) {
        NavigateTo(AddressText());
        return true;
    }
    return false;
}

void TBrowserFrame::cboAddressChange() {
    Guarded([&] {
        if (AddressText().empty()) SendMessageW(cboAddress, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    });
}

// The button's own menu, opened where the button is: no click is made, so
// nothing under the pointer is hit and the pointer stays where it is.
void TBrowserFrame::actMenuExecute() {
    Guarded([&] {
        if (Visible(CoolBar1)) btnMenuClick();
    });
}

// Shown pressed while its menu is open, whether a click or Alt+M opened it.
void TBrowserFrame::btnMenuClick() {
    RECT button{};
    SendMessageW(tlbMenu, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&button));
    POINT corner{button.left, button.bottom};
    ClientToScreen(tlbMenu, &corner);
    SendMessageW(tlbMenu, TB_PRESSBUTTON, btnMenu, TRUE);
    TrackPopupMenu(mnuMenu.Get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON, corner.x, corner.y, 0, Handle(),
                   nullptr);
    SendMessageW(tlbMenu, TB_PRESSBUTTON, btnMenu, FALSE);
}

void TBrowserFrame::RunBrowserCommand(void (*command)(TWebBrowser&)) {
    Guarded([&] { command(*WebBrowser1); });
}

void TBrowserFrame::mnuMenu_SaveAsClick() { RunBrowserCommand(TShellKit::BrowserSaveAs); }
void TBrowserFrame::mnuMenu_PageSetupClick() { RunBrowserCommand(TShellKit::BrowserPageSetup); }
void TBrowserFrame::mnuMenu_PrintClick() { RunBrowserCommand(TShellKit::BrowserPrint); }
void TBrowserFrame::mnuMenu_PrintPreviewClick() { RunBrowserCommand(TShellKit::BrowserPrintPreview); }
void TBrowserFrame::mnuMenu_FindClick() { RunBrowserCommand(TShellKit::BrowserFind); }
void TBrowserFrame::mnuMenu_SourceClick() { RunBrowserCommand(TShellKit::BrowserViewSource); }
void TBrowserFrame::mnuMenu_InternetOptionsClick() { RunBrowserCommand(TShellKit::BrowserInternetOptions); }

void TBrowserFrame::mnuMenu_OrganizeFavoritesClick() { OrganizeFavorites(); }

// ---- Favorites

std::string TBrowserFrame::BuildFavoritesMenu() {
    std::string file;
    Guarded([&] { file = favorites_.Build(mnuMenu.Get(), FirstFavoritesItem); });
    return file;
}

void TBrowserFrame::DirMenuItemClick(const std::string& caption) {
    Guarded([&] {
        const auto value = ReadFavorite(FavoritesPath(), FavoriteFoldersSection, caption);
        if (!value) return;
        const std::string folder = ExpandFolderValue(*value, TShellKit::GetAppDir());
        if (folder.empty()) return;
        const std::string path = TShellKit::ExpandAppRelative(folder);
        if (TShellKit::DirectoryExists(path)) TShellKit::ShellOpenFolder(path, SW_SHOWNORMAL);
    });
}

void TBrowserFrame::UrlMenuItemClick(const std::string& caption) {
    Guarded([&] {
        const auto value = ReadFavorite(FavoritesPath(), FavoritePagesSection, caption);
        if (!value) return;
        SetAddressText(ExpandPageValue(*value, HostAndPortOf(HomePage())));
        NavigateTo(AddressText());
    });
}

void TBrowserFrame::OrganizeFavorites() {
    Guarded([&] { EditFavorites(FavoritesPath(), TApplication::Instance().Handle()); });
}

// ---- new windows

// The asking control loads the page into the control handed back; the new
// window stays out of sight until its first navigation places it.
void TBrowserFrame::WebBrowser1NewWindow2(IDispatch** dispatch) {
    Guarded([&] {
        auto popup = std::make_unique<TfrmBrowser>(browserFactory_);
        SetWindowPos(popup->Handle(), nullptr, -RequestOrigin, -RequestOrigin, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE);
        popup->WebBrowser1Aligned = false;
        popup->WebBrowser1->SetBounds({RequestOrigin, RequestOrigin, RequestOrigin, RequestOrigin});
        popup->WebBrowser1->SetRegisterAsBrowser(true);
        ComPtr<IDispatch> control = popup->WebBrowser1->Dispatch();
        if (!control) return;
        popup->HomeUrl = HomePage();
        popup->FavoritesFile = FavoritesPath();
        TfrmBrowser& shown = static_cast<TfrmBrowser&>(TApplication::Instance().AdoptForm(std::move(popup)));
        *dispatch = control.Detach();
        shown.Show();
    });
}

// ---- control events

void TBrowserFrame::WebBrowser1StatusTextChange(const std::string& text) {
    SendMessageW(StatusBar1, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(Widen(text).c_str()));
}

void TBrowserFrame::WebBrowser1ProgressChange(int progress, int maximum) {
    const bool loading = progress > 0;
    SetStatusPanelLowered(1, !loading);
    ShowWindow(ProgressBar1, loading ? SW_SHOW : SW_HIDE);
    SendMessageW(ProgressBar1, PBM_SETRANGE32, 0, maximum);
    SendMessageW(ProgressBar1, PBM_SETSTEP, 1, 0);
    SendMessageW(ProgressBar1, PBM_SETPOS, static_cast<WPARAM>(progress), 0);
}

void TBrowserFrame::WebBrowser1CommandStateChange(int command, bool enable) {
    if (command == navForward) SendMessageW(tlbToolbar, TB_ENABLEBUTTON, btnForward, enable);
    if (command == navBack) SendMessageW(tlbToolbar, TB_ENABLEBUTTON, btnBack, enable);
}

void TBrowserFrame::WebBrowser1DownloadBegin() { actStop.Enabled = true; }
void TBrowserFrame::WebBrowser1DownloadComplete() { actStop.Enabled = false; }

void TBrowserFrame::WebBrowser1TitleChange(const std::string& text) {
    SetCaption(FormatCaption(text, ProductTitle));
    if (!WebBrowser1) return;  // an event while the control is being created
    const std::string url = Trim(WebBrowser1->LocationURL());
    if (url.empty()) return;
    const THistoryUpdate update = PlanHistoryUpdate(AddressHistory(), url);
    if (update.insert) {
        std::wstring wide = Widen(url);
        COMBOBOXEXITEMW item{};
        item.mask = CBEIF_TEXT | CBEIF_IMAGE | CBEIF_SELECTEDIMAGE;
        item.iItem = 0;
        item.pszText = wide.data();
        SendMessageW(cboAddress, CBEM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
    if (update.dropLast) {
        SendMessageW(cboAddress, CBEM_DELETEITEM, static_cast<WPARAM>(AddressHistory().size() - 1), 0);
    }
    SelectAddress(update.select);
}

// ---- layout

void TBrowserFrame::AlignComponents() {
    RECT client{};
    GetClientRect(Handle(), &client);
    const int top = Visible(CoolBar1) ? coolBarHeight_ + CoolBarEdge : 0;
    const int bottom = client.bottom - (Visible(StatusBar1) ? StatusBarHeight : 0);
    SetWindowPos(CoolBar1, nullptr, 0, 0, client.right, coolBarHeight_, SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(StatusBar1, nullptr, 0, bottom, client.right, StatusBarHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    if (WebBrowser1 && WebBrowser1Aligned) WebBrowser1->SetBounds({0, top, client.right, std::max(top, bottom)});
}

void TBrowserFrame::PaintCoolBarEdge() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(Handle(), &paint);
    if (Visible(CoolBar1)) {
        RECT edge{};
        GetClientRect(Handle(), &edge);
        edge.top = coolBarHeight_;
        edge.bottom = coolBarHeight_ + CoolBarEdge;
        DrawEdge(dc, &edge, EDGE_ETCHED, BF_TOP);
    }
    EndPaint(Handle(), &paint);
}

void TBrowserFrame::FormResize() {
    if (!IsWindowVisible(Handle())) return;
    Guarded([&] {
        SetWindowPos(tlbMenu, nullptr, 2, 0, 0, 0, SWP_NOZORDER | SWP_NOSIZE | SWP_NOACTIVATE);
        SIZE buttons{};
        SendMessageW(tlbToolbar, TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&buttons));
        RECT menu{}, coolBar{}, go{}, address{};
        GetClientRect(tlbMenu, &menu);
        GetClientRect(CoolBar1, &coolBar);
        GetWindowRect(tlbGo, &go);
        GetWindowRect(cboAddress, &address);
        const TToolbarRow row = ComputeToolbarRow({2, menu.right, static_cast<int>(buttons.cx), coolBar.right,
                                                   ToolbarHeight, go.right - go.left, go.bottom - go.top,
                                                   AddressHeight});
        const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
        SetWindowPos(tlbToolbar, nullptr, row.toolbarLeft, 0, buttons.cx, ToolbarHeight, flags);
        SetWindowPos(pnlToolbar->Handle(), nullptr, 0, 0, coolBar.right, ToolbarHeight, flags | SWP_NOMOVE);
        SetWindowPos(tlbGo, nullptr, row.goLeft, row.goTop, 0, 0, flags | SWP_NOSIZE);
        SetWindowPos(cboAddress, nullptr, row.addressLeft, row.addressTop, std::max(row.addressWidth, 0),
                     address.bottom - address.top, flags);
    });
    Guarded([&] {
        RECT status{};
        GetClientRect(StatusBar1, &status);
        const TStatusPanels panels = ComputeStatusPanels(status.right, design_.StatusPanel2Width);
        SendMessageW(StatusBar1, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(panels.rights));
        RECT place{};
        if (SendMessageW(StatusBar1, SB_GETRECT, 1, reinterpret_cast<LPARAM>(&place))) {
            SetWindowPos(ProgressBar1, nullptr, place.left, place.top, place.right - place.left,
                         place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE);
        }
    });
    for (HWND window : {tlbMenu, tlbToolbar, cboAddress, tlbGo, pnlToolbar->Handle(), CoolBar1})
        InvalidateRect(window, nullptr, TRUE);
}

// ---- set-up

void TBrowserFrame::SetCaption(const std::string& title) { SetWindowTextW(Handle(), Widen(title).c_str()); }

void TBrowserFrame::SetApplicationIcon() {
    HICON icon = LoadIconW(GetModuleHandleW(nullptr), L"MAINICON");
    if (icon) SendMessageW(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
}

void TBrowserFrame::SetOrganizeFavoritesBarBreak() {
    MENUITEMINFOW item{};
    item.cbSize = sizeof(item);
    item.fMask = MIIM_FTYPE;
    if (!GetMenuItemInfoW(mnuMenu.Get(), mnuMenu_OrganizeFavorites, FALSE, &item)) return;
    item.fType |= MFT_MENUBARBREAK;
    SetMenuItemInfoW(mnuMenu.Get(), mnuMenu_OrganizeFavorites, FALSE, &item);
}

void TBrowserFrame::SetBrowserSilent(bool silent) { WebBrowser1->SetSilent(silent); }

void TBrowserFrame::SetHomeHint(const std::string& hint) { hints_[btnHome] = hint; }

void TBrowserFrame::SetBarsVisible(bool coolBar, bool statusBar) {
    ShowWindow(CoolBar1, coolBar ? SW_SHOW : SW_HIDE);
    ShowWindow(StatusBar1, statusBar ? SW_SHOW : SW_HIDE);
    AlignComponents();
    FormResize();
}

void TBrowserFrame::MoveProgressBarIntoStatusBar() {
    SetStatusPanelLowered(1, true);
    ShowWindow(ProgressBar1, SW_HIDE);
    SetParent(ProgressBar1, StatusBar1);
}

void TBrowserFrame::SetAddressText(const std::string& text) {
    HWND edit = reinterpret_cast<HWND>(SendMessageW(cboAddress, CBEM_GETEDITCONTROL, 0, 0));
    SetWindowTextW(edit ? edit : cboAddress, Widen(text).c_str());
}

int TBrowserFrame::CoolBarHeight() const { return coolBarHeight_ + CoolBarEdge; }

// ---- state

void TBrowserFrame::SetStatusPanelLowered(int panel, bool lowered) {
    const std::wstring text = Widen(StatusText(panel));
    SendMessageW(StatusBar1, SB_SETTEXTW, static_cast<WPARAM>(panel | (lowered ? 0 : SBT_NOBORDERS)),
                 reinterpret_cast<LPARAM>(text.c_str()));
}

bool TBrowserFrame::StatusPanelLowered(int panel) const {
    const LRESULT length = SendMessageW(StatusBar1, SB_GETTEXTLENGTHW, static_cast<WPARAM>(panel), 0);
    return (HIWORD(length) & SBT_NOBORDERS) == 0;
}

std::string TBrowserFrame::StatusText(int panel) const {
    const LRESULT length = SendMessageW(StatusBar1, SB_GETTEXTLENGTHW, static_cast<WPARAM>(panel), 0);
    std::wstring text(LOWORD(length) + 1, L'\0');
    SendMessageW(StatusBar1, SB_GETTEXTW, static_cast<WPARAM>(panel), reinterpret_cast<LPARAM>(text.data()));
    text.resize(LOWORD(length));
    return Narrow(text);
}

std::vector<std::string> TBrowserFrame::AddressHistory() const {
    std::vector<std::string> entries;
    const int count = static_cast<int>(SendMessageW(cboAddress, CB_GETCOUNT, 0, 0));
    for (int index = 0; index < count; ++index) {
        wchar_t text[2084]{};
        COMBOBOXEXITEMW item{};
        item.mask = CBEIF_TEXT;
        item.iItem = index;
        item.pszText = text;
        item.cchTextMax = static_cast<int>(std::size(text));
        SendMessageW(cboAddress, CBEM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
        entries.push_back(Narrow(text));
    }
    return entries;
}

int TBrowserFrame::AddressIndex() const { return static_cast<int>(SendMessageW(cboAddress, CB_GETCURSEL, 0, 0)); }

void TBrowserFrame::SelectAddress(int index) { SendMessageW(cboAddress, CB_SETCURSEL, static_cast<WPARAM>(index), 0); }

std::string TBrowserFrame::AddressText() const {
    HWND edit = reinterpret_cast<HWND>(SendMessageW(cboAddress, CBEM_GETEDITCONTROL, 0, 0));
    return Narrow(WindowText(edit ? edit : cboAddress));
}

bool TBrowserFrame::ButtonEnabled(WORD id) const {
    HWND toolbar = id == btnGo ? tlbGo : id == btnMenu ? tlbMenu : tlbToolbar;
    return SendMessageW(toolbar, TB_ISBUTTONENABLED, id, 0) != 0;
}

bool TBrowserFrame::ButtonVisible(WORD id) const { return SendMessageW(tlbToolbar, TB_ISBUTTONHIDDEN, id, 0) == 0; }

std::string TBrowserFrame::ButtonHint(WORD id) const {
    const auto found = hints_.find(id);
    return found == hints_.end() ? std::string() : found->second;
}

int TBrowserFrame::StatusPanelWidth(int panel) const {
    int rights[3]{};
    SendMessageW(StatusBar1, SB_GETPARTS, 3, reinterpret_cast<LPARAM>(rights));
    return rights[panel] - (panel > 0 ? rights[panel - 1] : 0);
}

std::vector<std::string> TBrowserFrame::MenuCaptions() const {
    std::vector<std::string> captions;
    for (int index = 0; index < GetMenuItemCount(mnuMenu.Get()); ++index) {
        wchar_t text[256]{};
        MENUITEMINFOW item{};
        item.cbSize = sizeof(item);
        item.fMask = MIIM_FTYPE | MIIM_STRING;
        item.dwTypeData = text;
        item.cch = static_cast<UINT>(std::size(text));
        GetMenuItemInfoW(mnuMenu.Get(), static_cast<UINT>(index), TRUE, &item);
        captions.push_back((item.fType & MFT_SEPARATOR) ? "-" : Narrow(text));
    }
    return captions;
}
