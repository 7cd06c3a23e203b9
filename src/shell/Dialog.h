// Small fixed-layout dialogs. A dialog is data plus handlers: a table of
// controls (the member that is the control, its name, text, bounds, style,
// tab order) that the base creates with one font, named public fields that
// the dialog's own handlers carry in and out, and a modal loop that disables
// the owner and enables it again however the loop ends. The kind of a
// control is the type of its member.
//
// Keyboard, as Windows dialogs have it: Tab and Shift+Tab follow the tab
// order, Enter presses the focused push button or else the default button,
// Esc presses the Cancel button (or, without one, closes with mrCancel, as
// the close box always does), Alt+letter presses the button or focuses the
// control behind a label whose caption has that access key. A button pressed
// from the keyboard takes the focus first, as a mouse click does, so the
// control the user was in is left (OnExit) before the button acts.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "shell/DialogRules.h"
#include "shell/Window.h"
#include "util/Handles.h"

class TDialogForm;
struct TControlDef;

enum TModalResult : int { mrNone = 0, mrOk = IDOK, mrCancel = IDCANCEL };
enum class TMouseButton { Left, Right, Middle };

inline constexpr COLORREF clDefault = CLR_INVALID;  // the system's colour
inline constexpr COLORREF clWhite = RGB(255, 255, 255);
inline constexpr COLORREF clBlue = RGB(0, 0, 255);
inline constexpr COLORREF clRed = RGB(255, 0, 0);
inline constexpr COLORREF clMaroon = RGB(128, 0, 0);

struct TFontStyle {
    int Height = -11;  // pixels, never scaled
    bool Bold = false;
    bool Underline = false;
    bool operator==(const TFontStyle&) const = default;
};

// One control, a named member of its dialog. Looks (Font, colours, Hint) are
// set before the dialog is created; TextColor may change later (Repaint).
class TControl {
public:
    TControl() = default;
    TControl(const TControl&) = delete;
    TControl& operator=(const TControl&) = delete;
    virtual ~TControl();

    HWND Handle() const { return handle_; }
    const std::string& Name() const { return name_; }
    std::string Text() const;
    void SetText(const std::string& text);
    bool Enabled() const;
    void SetEnabled(bool enabled);
    bool Focused() const;
    void SetFocus();
    TArea Bounds() const;  // in the dialog's client area
    void SetLeft(int left);
    void Repaint();

    TFontStyle Font;
    COLORREF TextColor = clDefault;
    COLORREF BackColor = clDefault;
    std::string Hint;

    std::function<void()> OnClick, OnChange, OnExit;
    std::function<void(TMouseButton)> OnMouseDown, OnMouseUp;

protected:
    friend class TDialogForm;
    // The control's window(s) in the dialog; graphic controls have none.
    virtual void CreateIn(TDialogForm& dialog, const TControlDef& def, int id) = 0;
    // Notification codes of WM_COMMAND from the control.
    virtual void Notified(WORD) {}
    // Messages to the control before its own procedure; true when answered.
    virtual bool ControlMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    virtual void TextChanged() {}
    // Focus went to another control of the same dialog: OnExit, then this.
    virtual void Exited() {}
    virtual void Paint(HDC) {}  // graphic controls, drawn by the dialog
    virtual bool IsPushButton() const { return false; }
    virtual bool IsGraphic() const { return false; }

    void CreateControlWindow(TDialogForm& dialog, const wchar_t* className, DWORD style, DWORD exStyle,
                             const TControlDef& def, int id);
    LRESULT CallDefault(UINT message, WPARAM wParam, LPARAM lParam);
    HFONT FontHandle() const;
    bool InDialog(HWND window) const;  // the dialog or one of its controls

    HWND handle_ = nullptr;
    TDialogForm* dialog_ = nullptr;
    std::string name_;
    TArea bounds_{};

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                         DWORD_PTR self);
};

// A label sizes itself to its text.
class TLabel : public TControl {
protected:
    void CreateIn(TDialogForm& dialog, const TControlDef& def, int id) override;
    void TextChanged() override;
};

// A label that acts as a link: hand cursor, blue and underlined; OnClick
// when the left button goes up over it after going down on it.
class TLinkLabel : public TLabel {
public:
    TLinkLabel();

protected:
    void CreateIn(TDialogForm& dialog, const TControlDef& def, int id) override;
    bool ControlMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    bool pressed_ = false;
};

class TEdit : public TControl {
protected:
    void CreateIn(TDialogForm& dialog, const TControlDef& def, int id) override;
    void Notified(WORD code) override;
};

class TCheckBox : public TControl {
public:
    bool Checked() const;
    void SetChecked(bool checked);

protected:
    void CreateIn(TDialogForm& dialog, const TControlDef& def, int id) override;
    void Notified(WORD code) override;
};

// Drop-down list without typing; the table's text holds the items, one per line.
class TComboBox : public TControl {
public:
    int ItemIndex() const;
    void SetItemIndex(int index);
    std::string Item(int index) const;

protected:
    void CreateIn(TDialogForm& dialog, const TControlDef& def, int id) override;
    void Notified(WORD code) override;
};

// Numeric field with up and down arrows. Text set directly shows any value;
// leaving the field pulls a number out of range to the nearer bound.
class TSpinEdit : public TEdit {
public:
    int MinValue = 0;
    int MaxValue = 100;
    int Value() const;  // the number in the text; MinValue when there is none
    void SetValue(int value);
    // With an empty text (blanks only): the last edit is taken back, and when
    // that leaves nothing either, the text the field had on entry comes back.
    void UndoWhenEmpty();
    HWND UpDown() const { return upDown_.Get(); }

protected:
    void CreateIn(TDialogForm& dialog, const TControlDef& def, int id) override;
    bool ControlMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void Exited() override;

private:
    UniqueWindow upDown_;
    std::string textOnEntry_;
};

class TButton : public TControl {
protected:
    void CreateIn(TDialogForm& dialog, const TControlDef& def, int id) override;
    void Notified(WORD code) override;
    bool IsPushButton() const override { return true; }
};

// A button with a picture (the shell's open-folder icon) and a hint; the
// table's text is the hint. Reached with the mouse, not with Tab.
class TSpeedButton : public TButton {
protected:
    void CreateIn(TDialogForm& dialog, const TControlDef& def, int id) override;
    // Focused by its click, it still leaves Enter to the dialog's default button.
    bool IsPushButton() const override { return false; }

private:
    UniqueIcon glyph_;
};

// Drawn by the dialog on its own background; no window of its own.
class TGraphicControl : public TControl {
protected:
    void CreateIn(TDialogForm& dialog, const TControlDef& def, int id) override;
    bool IsGraphic() const override { return true; }
};

// Sunken frame around a group of controls.
class TBevel : public TGraphicControl {
protected:
    void Paint(HDC dc) override;
};

// Filled rectangle with an outline.
class TShape : public TGraphicControl {
public:
    COLORREF BrushColor = clWhite;
    COLORREF PenColor = RGB(0, 0, 0);

protected:
    void Paint(HDC dc) override;
};

// An icon at its own size; the caller keeps the icon alive.
class TIconImage : public TControl {
public:
    void SetIcon(HICON icon);
    HICON Icon() const;

protected:
    void CreateIn(TDialogForm& dialog, const TControlDef& def, int id) override;
};

struct TControlDef {
    TControl* Control;
    const char* Name;
    std::string Text;  // caption, design text, list items or a picture button's hint
    TArea Bounds;      // a label's width and height follow its text
    unsigned Style = 0;
    int TabOrder = NoTabOrder;
};

enum class TPosition { ScreenCenter, OwnerCenter };

class TDialogForm : public TWindow {
public:
    ~TDialogForm() override;

    // Creates the window if needed, runs FormShow, shows the dialog modally
    // and returns the result it closed with. The dialog is hidden, not
    // destroyed, afterwards.
    int ShowModal();
    // Ends the modal loop with the result (ModalResult := result).
    void Close(int result) { modalResult_ = result; }
    int ModalResult() const { return modalResult_; }
    // The window and its controls, hidden; ShowModal calls it first.
    void CreateForm();
    HWND Owner() const { return owner_; }
    int ClientWidth() const { return clientWidth_; }
    int ClientHeight() const { return clientHeight_; }
    // Top-left corner of the window (not the client area) on the screen.
    TPlace WindowPlace() const;
    HWND HintWindow() const { return hintWindow_.Get(); }

protected:
    TDialogForm(HWND owner, std::string caption, int clientWidth, int clientHeight, TPosition position);
    virtual std::vector<TControlDef> Controls() = 0;
    virtual void FormShow() {}
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    friend class TControl;
    HFONT FontFor(const TFontStyle& style);
    HBRUSH BrushFor(COLORREF color);
    void AddHint(TControl& control);
    void PlaceWindow();
    void FocusFirstControl();
    void NextControl(HWND control);  // focused, an edit's text selected
    void ControlFocused(TControl& control);
    TControl* ControlOf(HWND window) const;
    TControl* ControlWithId(int id) const;
    void Command(WORD id, WORD code);
    LRESULT ControlColor(UINT message, WPARAM wParam, LPARAM lParam);
    void PaintGraphics();
    bool IsInside(HWND window) const;

    HWND owner_;
    std::string caption_;
    int clientWidth_, clientHeight_;
    TPosition position_;
    int modalResult_ = mrNone;
    std::vector<std::pair<TControl*, int>> controls_;  // with their ids, in creation (tab) order
    std::vector<TControl*> graphics_;                  // in table order
    std::vector<std::pair<TFontStyle, UniqueFont>> fonts_;
    std::vector<std::pair<COLORREF, UniqueBrush>> brushes_;
    UniqueWindow hintWindow_;
    HWND focusBeforeDeactivation_ = nullptr;
    bool hasDefault_ = false;
    int defaultId_ = 0;  // the button Enter presses now
    bool creating_ = false;  // no events while the table's values go in
};

// "Are you sure you want to do this?" with Yes and No; the box's answer.
int AskAreYouSure(HWND owner);
