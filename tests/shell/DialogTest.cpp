// The small-dialog base: controls from the table, one font, the keyboard,
// the modal loop and its owner, the spin field and the link label.
#include <doctest/doctest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "shell/Dialog.h"
#include "tools/DialogKit.h"

namespace {

class TSampleDialog : public TDialogForm {
public:
    explicit TSampleDialog(HWND owner) : TDialogForm(owner, "Sample", 300, 200, TPosition::OwnerCenter) {
        Spin.MinValue = 1;
        Spin.MaxValue = 65535;
        Spin.OnExit = [this] {
            ++exits;
            Spin.UndoWhenEmpty();
        };
        OkButton.OnClick = [this] {
            ownerEnabledInside = IsWindowEnabled(Owner()) != FALSE;
            Close(mrOk);
        };
        CancelButton.OnClick = [this] { Close(mrCancel); };
        Link.OnMouseDown = [this](TMouseButton button) { downs.push_back(button); };
        Link.OnClick = [this] { ++linkClicks; };
    }

    TBevel Frame;
    TLabel NameLabel;
    TEdit Name;
    TSpeedButton Browse;
    TCheckBox Always;
    TComboBox List;
    TSpinEdit Spin;
    TLinkLabel Link;
    TButton OkButton, CancelButton;

    int exits = 0, linkClicks = 0;
    bool ownerEnabledInside = true;
    std::vector<TMouseButton> downs;
    std::function<void()> onShow;

protected:
    std::vector<TControlDef> Controls() override {
        return {
            {&Frame, "Frame", "", {4, 4, 292, 150}},
            {&NameLabel, "NameLabel", "&Name:", {10, 12, 0, 0}},
            {&Name, "Name", "#", {60, 10, 150, 21}, 0, 1},
            {&Browse, "Browse", "Pick a file", {214, 9, 23, 23}},
            {&Always, "Always", "Always on", {10, 40, 120, 17}, csChecked | csDisabled | csNoTabStop, 5},
            {&List, "List", "one\ntwo", {10, 64, 100, 21}, 0, 2},
            {&Spin, "Spin", "1", {120, 64, 80, 21}, 0, 0},  // first in the tab order, though listed later
            {&Link, "Link", "a link", {10, 100, 0, 0}},
            {&OkButton, "OkButton", "&OK", {130, 165, 75, 25}, csDefault, 3},
            {&CancelButton, "CancelButton", "&Cancel", {215, 165, 75, 25}, csCancel, 4},
        };
    }
    void FormShow() override {
        if (onShow) onShow();
    }
};

struct TOwnerWindow {
    HWND handle = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE | WS_CAPTION, 100, 120, 640, 420,
                                  nullptr, nullptr, nullptr, nullptr);
    ~TOwnerWindow() { DestroyWindow(handle); }
};

void ShowWithFocus(TDialogForm& dialog) {
    ShowWindow(dialog.Handle(), SW_SHOW);
    SetForegroundWindow(dialog.Handle());
}

}  // namespace

TEST_CASE("controls come from the table with one font and their settings") {
    TOwnerWindow owner;
    TSampleDialog dialog(owner.handle);
    dialog.CreateForm();
    const SIZE client = ClientSize(dialog.Handle());
    CHECK(client.cx == 300);
    CHECK(client.cy == 200);
    CHECK(GetWindow(dialog.Handle(), GW_OWNER) == owner.handle);

    for (TControl* control : std::vector<TControl*>{&dialog.NameLabel, &dialog.Name, &dialog.Browse, &dialog.Always,
                                                    &dialog.List, &dialog.Spin, &dialog.OkButton}) {
        INFO(control->Name());
        REQUIRE(control->Handle());
        CHECK(GetParent(control->Handle()) == dialog.Handle());
        const LOGFONTW font = FontOf(control->Handle());
        CHECK(font.lfHeight == -11);
        CHECK(std::wstring(font.lfFaceName) == L"Tahoma");
    }
    CHECK(FontOf(dialog.Link.Handle()).lfUnderline);
    CHECK(dialog.NameLabel.Bounds().Width > 0);
    CHECK(dialog.NameLabel.Bounds().Width < 60);  // sized to its text, not to the table

    CHECK(dialog.Always.Checked());
    CHECK_FALSE(dialog.Always.Enabled());
    CHECK_FALSE(HasStyle(dialog.Always.Handle(), WS_TABSTOP));

    CHECK(SendMessageW(dialog.List.Handle(), CB_GETCOUNT, 0, 0) == 2);
    CHECK(dialog.List.Item(1) == "two");
    CHECK(dialog.List.ItemIndex() == -1);

    CHECK(dialog.Spin.Text() == "1");
    CHECK(reinterpret_cast<HWND>(SendMessageW(dialog.Spin.UpDown(), UDM_GETBUDDY, 0, 0)) == dialog.Spin.Handle());
    int low = 0, high = 0;
    SendMessageW(dialog.Spin.UpDown(), UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low), reinterpret_cast<LPARAM>(&high));
    CHECK(low == 1);
    CHECK(high == 65535);

    // The picture button's hint is a real tool of the hint window.
    CHECK_FALSE(HasStyle(dialog.Browse.Handle(), WS_TABSTOP));
    REQUIRE(dialog.HintWindow());
    wchar_t hint[80] = L"";
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = dialog.Handle();
    tool.uId = reinterpret_cast<UINT_PTR>(dialog.Browse.Handle());
    tool.lpszText = hint;
    SendMessageW(dialog.HintWindow(), TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&tool));
    CHECK(std::wstring(hint) == L"Pick a file");

    CHECK(HasStyle(dialog.OkButton.Handle(), BS_DEFPUSHBUTTON));
    CHECK(GetDlgCtrlID(dialog.CancelButton.Handle()) == IDCANCEL);
}

TEST_CASE("Tab follows the tab order and passes by controls that are no tab stop") {
    TSampleDialog dialog(nullptr);
    dialog.CreateForm();
    const std::vector<HWND> expected{dialog.Spin.Handle(), dialog.Name.Handle(), dialog.List.Handle(),
                                     dialog.OkButton.Handle(), dialog.CancelButton.Handle()};
    CHECK(TabChain(dialog.Handle(), GetNextDlgTabItem(dialog.Handle(), nullptr, FALSE)) == expected);
}

TEST_CASE("keyboard in the modal loop; the owner is disabled inside and enabled after") {
    TOwnerWindow owner;
    TSampleDialog dialog(owner.handle);
    dialog.CreateForm();
    const HWND box = dialog.Handle();

    SUBCASE("Enter presses the default button") {
        RunSteps({[&] { PostKey(box, VK_RETURN); }});
        CHECK(dialog.ShowModal() == mrOk);
        CHECK_FALSE(dialog.ownerEnabledInside);
    }
    SUBCASE("Esc presses Cancel") {
        RunSteps({[&] { PostKey(box, VK_ESCAPE); }});
        CHECK(dialog.ShowModal() == mrCancel);
    }
    SUBCASE("Tab to Cancel, then Enter presses the focused button, which is now the default") {
        RunSteps({[&] {
                       for (int i = 0; i < 4; ++i) PostKey(box, VK_TAB);
                   },
                   [&] {
                       CHECK(dialog.CancelButton.Focused());
                       CHECK(HasStyle(dialog.CancelButton.Handle(), BS_DEFPUSHBUTTON));
                       CHECK_FALSE(HasStyle(dialog.OkButton.Handle(), BS_DEFPUSHBUTTON));
                       PostKey(box, VK_RETURN);
                   }});
        CHECK(dialog.ShowModal() == mrCancel);
    }
    SUBCASE("Alt+letter: a label's key focuses its control, a button's key presses it") {
        RunSteps({[&] { PostAltKey(box, L'n'); },
                  [&] {
                      CHECK(dialog.Name.Focused());
                      PostAltKey(box, L'o');
                  }});
        CHECK(dialog.ShowModal() == mrOk);
    }
    SUBCASE("the end of the message loop ends the dialog and is passed on") {
        RunSteps({[&] { PostQuitMessage(7); }});
        CHECK(dialog.ShowModal() == mrCancel);
        MSG quit{};
        CHECK(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
        CHECK(quit.wParam == 7);
    }
    CHECK(IsWindowEnabled(owner.handle));
    CHECK_FALSE(IsWindowVisible(box));
}

TEST_CASE("a dialog opens centred on its owner, and on the screen however its owner lies") {
    TOwnerWindow owner;
    TSampleDialog dialog(owner.handle);
    SUBCASE("centred") {
        RunSteps({[&] { dialog.Close(mrOk); }});
        dialog.ShowModal();
        RECT rect, ownerRect;
        GetWindowRect(dialog.Handle(), &rect);
        GetWindowRect(owner.handle, &ownerRect);
        CHECK(dialog.WindowPlace().Left == ownerRect.left + (640 - (rect.right - rect.left)) / 2);
        CHECK(dialog.WindowPlace().Top == ownerRect.top + (420 - (rect.bottom - rect.top)) / 2);
    }
    SUBCASE("an owner mostly off the screen") {
        SetWindowPos(owner.handle, nullptr, -600, -380, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        RunSteps({[&] { dialog.Close(mrOk); }});
        dialog.ShowModal();
        CHECK(dialog.WindowPlace().Left >= 0);
        CHECK(dialog.WindowPlace().Top >= 0);
    }
}

TEST_CASE("spin field: any value shown as set, pulled into range on leaving, emptied text undone") {
    TSampleDialog dialog(nullptr);
    dialog.CreateForm();
    ShowWithFocus(dialog);
    TSpinEdit& spin = dialog.Spin;

    spin.SetText("0");
    CHECK(spin.Text() == "0");
    CHECK(spin.Value() == 0);
    spin.SetFocus();
    dialog.Name.SetFocus();
    CHECK(dialog.exits == 1);
    CHECK(spin.Text() == "1");

    spin.SetValue(70000);
    CHECK(spin.Text() == "65535");
    spin.SetText("70000");
    spin.SetFocus();
    dialog.List.SetFocus();
    CHECK(spin.Text() == "65535");

    SUBCASE("emptied by the user: the last edit is taken back") {
        spin.SetText("8080");
        spin.SetFocus();
        SendMessageW(spin.Handle(), EM_SETSEL, 0, -1);
        SendMessageW(spin.Handle(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L""));
        CHECK(spin.Text().empty());
        dialog.Name.SetFocus();
        CHECK(spin.Text() == "8080");
    }
    SUBCASE("emptied with nothing to undo: the text it had on entry") {
        spin.SetText("443");
        spin.SetFocus();
        spin.SetText("  ");
        dialog.Name.SetFocus();
        CHECK(spin.Text() == "443");
    }
    SUBCASE("leaving for another window is no exit") {
        const int exits = dialog.exits;
        spin.SetText("0");
        spin.SetFocus();
        HWND other = CreateWindowExW(0, L"EDIT", L"", WS_POPUP | WS_VISIBLE, 0, 0, 50, 20, nullptr, nullptr,
                                     nullptr, nullptr);
        SetForegroundWindow(other);
        SetFocus(other);
        CHECK(dialog.exits == exits);
        CHECK(spin.Text() == "0");
        DestroyWindow(other);
    }
}

TEST_CASE("link label: hand cursor; a click is a left press and release over it; right button only reports") {
    TSampleDialog dialog(nullptr);
    dialog.CreateForm();
    ShowWithFocus(dialog);
    const HWND link = dialog.Link.Handle();

    SendMessageW(link, WM_SETCURSOR, reinterpret_cast<WPARAM>(link), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    CHECK(GetCursor() == LoadCursorW(nullptr, IDC_HAND));

    SendMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    CHECK(GetCapture() == link);
    SendMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    CHECK(dialog.linkClicks == 1);
    CHECK(GetCapture() != link);

    SendMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(2, 500));  // released elsewhere
    CHECK(dialog.linkClicks == 1);

    SendMessageW(link, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(2, 2));
    SendMessageW(link, WM_RBUTTONUP, 0, MAKELPARAM(2, 2));
    CHECK(dialog.linkClicks == 1);
    CHECK(dialog.downs ==
          std::vector<TMouseButton>{TMouseButton::Left, TMouseButton::Left, TMouseButton::Right});
}
