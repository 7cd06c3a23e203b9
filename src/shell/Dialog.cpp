#include "shell/Dialog.h"

#include <commctrl.h>
#include <shellapi.h>
#include <uxtheme.h>
#include <windowsx.h>

#include <algorithm>
#include <climits>
#include <numeric>

#include "shell/Panel.h"
#include "util/Errors.h"
#include "util/MessageBox.h"
#include "util/Text.h"
#include "util/Utf.h"

namespace {

const wchar_t DialogClass[] = L"TDialogForm";
constexpr int FirstControlId = 100;  // clear of IDOK and IDCANCEL
constexpr int DropDownRoom = 160;    // height of a drop-down list below its box
// A label is this much wider than its measured text: some renderers hint
// glyphs (a run of "w") wider than the font's advances, and would clip the
// last character.
constexpr int LabelSlack = 4;

// Every visible, enabled top-level window of this thread, and the owner
// (hidden or not), disabled while a modal dialog runs and enabled again
// before it hides, so the owner gets the activation back.
class TDisabledWindows {
public:
    TDisabledWindows(HWND dialog, HWND owner) : dialog_(dialog) {
        Disable(owner);
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND window, LPARAM self) -> BOOL {
                auto* me = reinterpret_cast<TDisabledWindows*>(self);
                if (IsWindowVisible(window)) me->Disable(window);
                return TRUE;
            },
            reinterpret_cast<LPARAM>(this));
    }
    TDisabledWindows(const TDisabledWindows&) = delete;
    TDisabledWindows& operator=(const TDisabledWindows&) = delete;
    ~TDisabledWindows() { Restore(); }

    void Restore() {
        for (HWND window : disabled_)
            if (IsWindow(window)) EnableWindow(window, TRUE);
        disabled_.clear();
    }

private:
    void Disable(HWND window) {
        if (!window || window == dialog_ || !IsWindowEnabled(window)) return;
        EnableWindow(window, FALSE);
        disabled_.push_back(window);
    }

    HWND dialog_;
    std::vector<HWND> disabled_;
};

TArea PrimaryScreen() { return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

TArea AreaOf(const RECT& rect) { return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top}; }

}  // namespace

// ---- TControl

TControl::~TControl() {
    if (handle_) RemoveWindowSubclass(handle_, SubclassProc, 0);
}

std::string TControl::Text() const {
    if (!handle_) return {};
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(handle_)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(handle_, text.data(), static_cast<int>(text.size()))));
    return Narrow(text);
}

void TControl::SetText(const std::string& text) {
    SetWindowTextW(handle_, Widen(text).c_str());
    TextChanged();
}

bool TControl::Enabled() const { return handle_ && IsWindowEnabled(handle_); }

void TControl::SetEnabled(bool enabled) { EnableWindow(handle_, enabled); }

bool TControl::Focused() const { return handle_ && GetFocus() == handle_; }

void TControl::SetFocus() { ::SetFocus(handle_); }

TArea TControl::Bounds() const {
    if (!handle_) return bounds_;
    RECT rect;
    GetWindowRect(handle_, &rect);
    MapWindowPoints(nullptr, GetParent(handle_), reinterpret_cast<POINT*>(&rect), 2);
    return AreaOf(rect);
}

void TControl::SetLeft(int left) {
    bounds_.Left = left;
    if (handle_) {
        const TArea now = Bounds();
        SetWindowPos(handle_, nullptr, left, now.Top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
        Repaint();
    }
}

void TControl::Repaint() {
    if (handle_) {
        InvalidateRect(handle_, nullptr, TRUE);
    } else if (dialog_ && dialog_->Handle()) {
        InvalidateRect(dialog_->Handle(), nullptr, TRUE);
    }
}

void TControl::CreateControlWindow(TDialogForm& dialog, const wchar_t* className, DWORD style, DWORD exStyle,
                                   const TControlDef& def, int id) {
    dialog_ = &dialog;
    name_ = def.Name;
    bounds_ = def.Bounds;
    style |= WS_CHILD | WS_VISIBLE;
    if (def.TabOrder != NoTabOrder && !(def.Style & csNoTabStop)) style |= WS_TABSTOP;
    if (def.Style & csDisabled) style |= WS_DISABLED;
    handle_ = CreateWindowExW(exStyle, className, Widen(def.Text).c_str(), style, def.Bounds.Left, def.Bounds.Top,
                              def.Bounds.Width, def.Bounds.Height, dialog.Handle(),
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    if (!handle_) throw EOSError("Error creating window", GetLastError());
    SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(FontHandle()), FALSE);
    SetWindowSubclass(handle_, SubclassProc, 0, reinterpret_cast<DWORD_PTR>(this));
}

HFONT TControl::FontHandle() const { return dialog_->FontFor(Font); }

bool TControl::InDialog(HWND window) const { return dialog_->IsInside(window); }

LRESULT TControl::CallDefault(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefSubclassProc(handle_, message, wParam, lParam);
}

bool TControl::ControlMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_SETFOCUS:
        result = CallDefault(message, wParam, lParam);
        dialog_->ControlFocused(*this);
        return true;
    case WM_KILLFOCUS: {
        result = CallDefault(message, wParam, lParam);
        // Like a form's OnExit: only when another control of the dialog takes
        // the focus, not when the whole dialog loses it to a message box.
        const HWND next = reinterpret_cast<HWND>(wParam);
        if (next && InDialog(next)) {
            if (OnExit) OnExit();
            Exited();
        }
        return true;
    }
    default:
        return false;
    }
}

LRESULT CALLBACK TControl::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                        DWORD_PTR self) {
    auto* control = reinterpret_cast<TControl*>(self);
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, SubclassProc, 0);
        control->handle_ = nullptr;
        return DefSubclassProc(hwnd, message, wParam, lParam);
    }
    try {
        LRESULT result = 0;
        if (control->ControlMessage(message, wParam, lParam, result)) return result;
    } catch (const std::exception& error) {
        ShowHandlerException(GetParent(hwnd), error);
        return 0;
    } catch (...) {
        ShowHandlerException(GetParent(hwnd));
        return 0;
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

// ---- Kinds of control

void TLabel::CreateIn(TDialogForm& dialog, const TControlDef& def, int id) {
    CreateControlWindow(dialog, L"STATIC", (def.Style & csCentered) ? SS_CENTER : SS_LEFTNOWORDWRAP, 0, def, id);
    TextChanged();
}

void TLabel::TextChanged() {
    HDC dc = GetDC(handle_);
    HGDIOBJ oldFont = SelectObject(dc, FontHandle());
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    const std::wstring text = Widen(Text());
    RECT extent{0, 0, 0, 0};
    if (!text.empty()) DrawTextW(dc, text.c_str(), -1, &extent, DT_CALCRECT | DT_SINGLELINE);
    SelectObject(dc, oldFont);
    ReleaseDC(handle_, dc);
    SetWindowPos(handle_, nullptr, 0, 0, text.empty() ? 0 : extent.right + LabelSlack, metrics.tmHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

TLinkLabel::TLinkLabel() {
    Font.Underline = true;
    TextColor = clBlue;
}

void TLinkLabel::CreateIn(TDialogForm& dialog, const TControlDef& def, int id) {
    // SS_NOTIFY: a static is otherwise transparent to the mouse.
    CreateControlWindow(dialog, L"STATIC", SS_LEFTNOWORDWRAP | SS_NOTIFY, 0, def, id);
    TextChanged();
}

bool TLinkLabel::ControlMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    const auto mouse = [](const std::function<void(TMouseButton)>& event, TMouseButton button) {
        if (event) event(button);
    };
    switch (message) {
    case WM_SETCURSOR:
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        result = TRUE;
        return true;
    case WM_LBUTTONDOWN:
        pressed_ = true;
        SetCapture(handle_);
        mouse(OnMouseDown, TMouseButton::Left);
        return true;
    case WM_LBUTTONUP: {
        const bool wasPressed = std::exchange(pressed_, false);
        if (GetCapture() == handle_) ReleaseCapture();
        mouse(OnMouseUp, TMouseButton::Left);
        RECT client;
        GetClientRect(handle_, &client);
        const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (wasPressed && PtInRect(&client, at) && OnClick) OnClick();
        return true;
    }
    case WM_CAPTURECHANGED:
        // Pressed no more: a button-up that comes later is no click.
        if (std::exchange(pressed_, false)) mouse(OnMouseUp, TMouseButton::Left);
        return TLabel::ControlMessage(message, wParam, lParam, result);
    case WM_RBUTTONDOWN:
        mouse(OnMouseDown, TMouseButton::Right);
        return true;
    case WM_RBUTTONUP:
        mouse(OnMouseUp, TMouseButton::Right);
        return true;
    default:
        return TLabel::ControlMessage(message, wParam, lParam, result);
    }
}

void TEdit::CreateIn(TDialogForm& dialog, const TControlDef& def, int id) {
    CreateControlWindow(dialog, L"EDIT", ES_LEFT | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, def, id);
}

void TEdit::Notified(WORD code) {
    if (code == EN_CHANGE && OnChange) OnChange();
}

bool TCheckBox::Checked() const { return SendMessageW(handle_, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void TCheckBox::SetChecked(bool checked) {
    SendMessageW(handle_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TCheckBox::CreateIn(TDialogForm& dialog, const TControlDef& def, int id) {
    CreateControlWindow(dialog, L"BUTTON", BS_AUTOCHECKBOX, 0, def, id);
    if (def.Style & csChecked) SetChecked(true);
    // A themed check box draws its text in the theme's colour; only the
    // classic look honours a colour of our own.
    if (TextColor != clDefault) SetWindowTheme(handle_, L"", L"");
}

void TCheckBox::Notified(WORD code) {
    if (code == BN_CLICKED && OnClick) OnClick();
}

int TComboBox::ItemIndex() const { return static_cast<int>(SendMessageW(handle_, CB_GETCURSEL, 0, 0)); }

void TComboBox::SetItemIndex(int index) { SendMessageW(handle_, CB_SETCURSEL, static_cast<WPARAM>(index), 0); }

std::string TComboBox::Item(int index) const {
    const LRESULT length = SendMessageW(handle_, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(handle_, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    return Narrow(text);
}

void TComboBox::CreateIn(TDialogForm& dialog, const TControlDef& def, int id) {
    TControlDef box = def;
    box.Text.clear();
    box.Bounds.Height += DropDownRoom;
    CreateControlWindow(dialog, L"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL, 0, box, id);
    size_t start = 0;
    while (start < def.Text.size()) {
        size_t end = def.Text.find('\n', start);
        if (end == std::string::npos) end = def.Text.size();
        SendMessageW(handle_, CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(Widen(def.Text.substr(start, end - start)).c_str()));
        start = end + 1;
    }
}

void TComboBox::Notified(WORD code) {
    if (code == CBN_SELCHANGE && OnChange) OnChange();
}

int TSpinEdit::Value() const { return SpinValueOf(Text(), MinValue); }

void TSpinEdit::SetValue(int value) { SetText(std::to_string(ClampToRange(value, MinValue, MaxValue))); }

void TSpinEdit::UndoWhenEmpty() {
    if (!Trim(Text()).empty()) return;
    SendMessageW(handle_, EM_UNDO, 0, 0);
    if (Trim(Text()).empty()) SetText(textOnEntry_);
}

void TSpinEdit::CreateIn(TDialogForm& dialog, const TControlDef& def, int id) {
    CreateControlWindow(dialog, L"EDIT", ES_LEFT | ES_AUTOHSCROLL | ES_NUMBER, WS_EX_CLIENTEDGE, def, id);
    // The arrows take their room from the right of the field.
    upDown_.Reset(CreateWindowExW(0, UPDOWN_CLASSW, nullptr,
                                  WS_CHILD | WS_VISIBLE | UDS_ALIGNRIGHT | UDS_SETBUDDYINT | UDS_ARROWKEYS |
                                      UDS_NOTHOUSANDS,
                                  0, 0, 0, 0, dialog.Handle(), nullptr, GetModuleHandleW(nullptr), nullptr));
    if (!upDown_) throw EOSError("Error creating window", GetLastError());
    SendMessageW(upDown_.Get(), UDM_SETBUDDY, reinterpret_cast<WPARAM>(handle_), 0);
    SendMessageW(upDown_.Get(), UDM_SETRANGE32, static_cast<WPARAM>(MinValue), static_cast<LPARAM>(MaxValue));
    if (def.Style & csDisabled) EnableWindow(upDown_.Get(), FALSE);
    SetText(def.Text);
}

bool TSpinEdit::ControlMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message == WM_SETFOCUS) textOnEntry_ = Text();
    return TControl::ControlMessage(message, wParam, lParam, result);
}

void TSpinEdit::Exited() {
    const int value = Value();
    if (ClampToRange(value, MinValue, MaxValue) != value) SetValue(value);
}

void TButton::CreateIn(TDialogForm& dialog, const TControlDef& def, int id) {
    CreateControlWindow(dialog, L"BUTTON", (def.Style & csDefault) ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, 0, def, id);
}

void TButton::Notified(WORD code) {
    // Enter and Esc reach a button through the dialog even when it is disabled.
    if (code != BN_CLICKED || !Enabled() || !OnClick) return;
    // Pressed from the keyboard while another control has the focus: take it
    // first, as a click with the mouse does, so that control is left as it
    // would be then (a spin field pulls its number into range).
    if (!Focused() && InDialog(GetFocus())) SetFocus();
    OnClick();
}

void TSpeedButton::CreateIn(TDialogForm& dialog, const TControlDef& def, int id) {
    Hint = def.Text;
    TControlDef button = def;
    button.Text.clear();
    SHSTOCKICONINFO info{};
    info.cbSize = sizeof(info);
    if (SUCCEEDED(SHGetStockIconInfo(SIID_FOLDEROPEN, SHGSI_ICON | SHGSI_SMALLICON, &info))) glyph_.Reset(info.hIcon);
    if (!glyph_) button.Text = "...";
    CreateControlWindow(dialog, L"BUTTON", BS_PUSHBUTTON | (glyph_ ? BS_ICON : 0), 0, button, id);
    if (glyph_) SendMessageW(handle_, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(glyph_.Get()));
}

void TGraphicControl::CreateIn(TDialogForm& dialog, const TControlDef& def, int) {
    dialog_ = &dialog;
    name_ = def.Name;
    bounds_ = def.Bounds;
}

void TBevel::Paint(HDC dc) {
    RECT rect{bounds_.Left, bounds_.Top, bounds_.Left + bounds_.Width, bounds_.Top + bounds_.Height};
    DrawEdge(dc, &rect, EDGE_ETCHED, BF_RECT);
}

void TShape::Paint(HDC dc) {
    UniqueBrush brush(CreateSolidBrush(BrushColor));
    UniqueHandleOf<SimpleHandleTraits<HPEN, DeleteGdiObject>> pen(CreatePen(PS_SOLID, 1, PenColor));
    HGDIOBJ oldBrush = SelectObject(dc, brush.Get());
    HGDIOBJ oldPen = SelectObject(dc, pen.Get());
    Rectangle(dc, bounds_.Left, bounds_.Top, bounds_.Left + bounds_.Width, bounds_.Top + bounds_.Height);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
}

void TIconImage::SetIcon(HICON icon) { SendMessageW(handle_, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0); }

HICON TIconImage::Icon() const { return reinterpret_cast<HICON>(SendMessageW(handle_, STM_GETICON, 0, 0)); }

void TIconImage::CreateIn(TDialogForm& dialog, const TControlDef& def, int id) {
    TControlDef picture = def;
    picture.Text.clear();
    CreateControlWindow(dialog, L"STATIC", SS_ICON, 0, picture, id);
}

// ---- TDialogForm

TDialogForm::TDialogForm(HWND owner, std::string caption, int clientWidth, int clientHeight, TPosition position)
    : owner_(owner), caption_(std::move(caption)), clientWidth_(clientWidth), clientHeight_(clientHeight),
      position_(position) {}

TDialogForm::~TDialogForm() = default;

void TDialogForm::CreateForm() {
    if (Handle()) return;
    RegisterWindowClass(DialogClass);
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
    RECT frame{0, 0, clientWidth_, clientHeight_};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    CreateHandle(DialogClass, caption_, style, exStyle, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 owner_);
    // A fixed-size dialog: Move and Close only.
    HMENU systemMenu = GetSystemMenu(Handle(), FALSE);
    for (UINT command : {SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE, SC_RESTORE}) DeleteMenu(systemMenu, command, MF_BYCOMMAND);

    creating_ = true;
    const std::vector<TControlDef> defs = Controls();
    // Windows follow the tab order in the z-order, which Tab walks; a label
    // goes just before the control after it, so its access key leads there.
    std::vector<int> keys(defs.size());
    int next = INT_MAX;
    for (size_t i = defs.size(); i-- > 0;) {
        if (defs[i].TabOrder != NoTabOrder) next = defs[i].TabOrder;
        keys[i] = next;
    }
    std::vector<size_t> order(defs.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return keys[a] < keys[b]; });

    int nextId = FirstControlId;
    for (size_t i : order) {
        const TControlDef& def = defs[i];
        TControl& control = *def.Control;
        const int id = (def.Style & csDefault) ? IDOK : (def.Style & csCancel) ? IDCANCEL : nextId++;
        if (def.Style & csDefault) hasDefault_ = true, defaultId_ = IDOK;
        control.CreateIn(*this, def, id);
        if (control.IsGraphic()) continue;
        controls_.emplace_back(&control, id);
        if (!control.Hint.empty()) AddHint(control);
    }
    for (const TControlDef& def : defs)
        if (def.Control->IsGraphic()) graphics_.push_back(def.Control);
    creating_ = false;
}

int TDialogForm::ShowModal() {
    CreateForm();
    modalResult_ = mrNone;
    focusBeforeDeactivation_ = nullptr;
    FormShow();
    PlaceWindow();
    TDisabledWindows disabled(Handle(), owner_);
    ShowWindow(Handle(), SW_SHOW);
    SetForegroundWindow(Handle());
    FocusFirstControl();
    MSG msg;
    while (modalResult_ == mrNone && Handle()) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) {
            // WM_QUIT belongs to the loop further out.
            if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (!IsDialogMessageW(Handle(), &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    if (modalResult_ == mrNone) modalResult_ = mrCancel;
    disabled.Restore();
    if (Handle()) ShowWindow(Handle(), SW_HIDE);
    return modalResult_;
}

TPlace TDialogForm::WindowPlace() const {
    RECT rect{};
    GetWindowRect(Handle(), &rect);
    return {rect.left, rect.top};
}

void TDialogForm::PlaceWindow() {
    RECT rect;
    GetWindowRect(Handle(), &rect);
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    TArea around = PrimaryScreen();
    if (position_ == TPosition::OwnerCenter && owner_ && IsWindowVisible(owner_) && !IsIconic(owner_)) {
        RECT owner;
        GetWindowRect(owner_, &owner);
        around = AreaOf(owner);
    }
    TPlace place = CenteredIn(around, width, height);
    // Never (partly) off the screen, even around an owner that is.
    if (const auto workArea = WorkAreaNearest({place.Left, place.Top, width, height}))
        place = KeptInside(place, width, height, *workArea);
    SetWindowPos(Handle(), nullptr, place.Left, place.Top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TDialogForm::FocusFirstControl() { NextControl(GetNextDlgTabItem(Handle(), nullptr, FALSE)); }

void TDialogForm::NextControl(HWND control) {
    if (!control) return;
    ::SetFocus(control);
    if (SendMessageW(control, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) SendMessageW(control, EM_SETSEL, 0, -1);
}

HFONT TDialogForm::FontFor(const TFontStyle& style) {
    for (const auto& [known, font] : fonts_)
        if (known == style) return font.Get();
    UniqueFont font(CreateFontW(style.Height, 0, 0, 0, style.Bold ? FW_BOLD : FW_NORMAL, FALSE, style.Underline,
                                FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                DEFAULT_PITCH | FF_DONTCARE, L"Tahoma"));
    fonts_.emplace_back(style, std::move(font));
    return fonts_.back().second.Get();
}

HBRUSH TDialogForm::BrushFor(COLORREF color) {
    for (const auto& [known, brush] : brushes_)
        if (known == color) return brush.Get();
    brushes_.emplace_back(color, UniqueBrush(CreateSolidBrush(color)));
    return brushes_.back().second.Get();
}

void TDialogForm::AddHint(TControl& control) {
    if (!hintWindow_) hintWindow_.Reset(THintWindowEx::Create());
    std::wstring text = Widen(control.Hint);
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;  // understood by every version of the common controls
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = Handle();
    tool.uId = reinterpret_cast<UINT_PTR>(control.Handle());
    tool.lpszText = text.data();
    SendMessageW(hintWindow_.Get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void TDialogForm::ControlFocused(TControl& control) {
    // As in Windows dialogs: a focused push button is the default one; on
    // any other control the dialog's own default button is.
    defaultId_ = hasDefault_ ? IDOK : 0;
    for (const auto& [button, id] : controls_)
        if (button == &control && control.IsPushButton()) defaultId_ = id;
    for (const auto& [button, id] : controls_) {
        if (!button->IsPushButton() || !button->Handle()) continue;
        const LONG style = GetWindowLongW(button->Handle(), GWL_STYLE);
        const LONG type = id == defaultId_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
        if ((style & BS_TYPEMASK) == type) continue;
        SendMessageW(button->Handle(), BM_SETSTYLE, static_cast<WPARAM>(((style & ~BS_TYPEMASK) | type) & 0xFFFF),
                     TRUE);
    }
}

bool TDialogForm::IsInside(HWND window) const { return window == Handle() || IsChild(Handle(), window); }

TControl* TDialogForm::ControlOf(HWND window) const {
    for (const auto& [control, id] : controls_)
        if (control->Handle() == window) return control;
    return nullptr;
}

TControl* TDialogForm::ControlWithId(int wanted) const {
    for (const auto& [control, id] : controls_)
        if (id == wanted) return control;
    return nullptr;
}

void TDialogForm::Command(WORD id, WORD code) {
    if (creating_) return;
    if (TControl* control = ControlWithId(id)) {
        control->Notified(code);
    } else if (id == IDCANCEL) {
        Close(mrCancel);  // Esc without a Cancel button
    }
}

LRESULT TDialogForm::ControlColor(UINT message, WPARAM wParam, LPARAM lParam) {
    const LRESULT standard = DefaultHandler(message, wParam, lParam);
    const TControl* control = ControlOf(reinterpret_cast<HWND>(lParam));
    if (!control) return standard;
    HDC dc = reinterpret_cast<HDC>(wParam);
    if (control->TextColor != clDefault) SetTextColor(dc, control->TextColor);
    if (control->BackColor == clDefault) return standard;
    SetBkColor(dc, control->BackColor);
    return reinterpret_cast<LRESULT>(BrushFor(control->BackColor));
}

void TDialogForm::PaintGraphics() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(Handle(), &paint);
    for (TControl* graphic : graphics_) graphic->Paint(dc);
    EndPaint(Handle(), &paint);
}

LRESULT TDialogForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        Command(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case DM_GETDEFID:
        return defaultId_ ? MAKELRESULT(defaultId_, DC_HASDEFID) : 0;
    case WM_NEXTDLGCTL:
        // Sent by the keyboard handling of IsDialogMessage (an access key on
        // a label moves on to the control after it).
        NextControl(LOWORD(lParam) ? reinterpret_cast<HWND>(wParam)
                                   : GetNextDlgTabItem(Handle(), GetFocus(), wParam != 0));
        return 0;
    case WM_CLOSE:
        Close(mrCancel);
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus && IsChild(Handle(), focus)) focusBeforeDeactivation_ = focus;
            return 0;
        }
        [[fallthrough]];
    case WM_SETFOCUS:
        // Back to the control that had the focus, as dialogs do.
        if (focusBeforeDeactivation_ && IsWindow(focusBeforeDeactivation_) &&
            IsWindowEnabled(focusBeforeDeactivation_)) {
            ::SetFocus(focusBeforeDeactivation_);
        } else {
            FocusFirstControl();
        }
        return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
        return ControlColor(message, wParam, lParam);
    case WM_PAINT:
        PaintGraphics();
        return 0;
    default:
        return DefaultHandler(message, wParam, lParam);
    }
}

int AskAreYouSure(HWND owner) {
    return ShowMessageBox(owner, "Are you sure you want to do this?", "Confirm", MB_YESNO | MB_ICONQUESTION);
}
