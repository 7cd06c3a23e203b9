// Small fixed-layout dialogs on Linux, as on Windows: a dialog is data plus
// handlers. A table of controls (the member that is the control, its name,
// text, bounds, style, tab order) that the base creates at fixed places with
// one font, named public fields the dialog's handlers carry in and out, and a
// modal loop that makes the owner insensitive and sensitive again however the
// loop ends. The kind of a control is the type of its member.
//
// Keyboard: Tab follows the tab order, Enter presses the default button,
// Esc the Cancel button (or, without one, closes with mrCancel, as the close
// box does); a caption's "&" marks its access key (Alt+letter).
#pragma once
#include <gtk/gtk.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "shell/DialogRules.h"
#include "util/linux/GObjectPtr.h"

class TDialogForm;
struct TControlDef;

enum TModalResult : int { mrNone = 0, mrOk = 1, mrCancel = 2 };
enum class TMouseButton { Left, Right, Middle };


inline constexpr TFieldMetrics GtkFieldMetrics{26, 110, 17};

struct TColor {
    std::uint8_t Red, Green, Blue;
};
inline constexpr TColor clWhite{255, 255, 255};
inline constexpr TColor clBlack{0, 0, 0};
inline constexpr TColor clBlue{0, 0, 255};
inline constexpr TColor clRed{255, 0, 0};
inline constexpr TColor clMaroon{128, 0, 0};

struct TFontStyle {
    int Height = -11;  // pixels, never scaled
    bool Bold = false;
    bool Underline = false;
};

// One control, a named member of its dialog. Looks are set before the dialog
// is created; TextColor may change later (Repaint).
class TControl {
public:
    TControl() = default;
    TControl(const TControl&) = delete;
    TControl& operator=(const TControl&) = delete;
    virtual ~TControl() = default;

    GtkWidget* Handle() const { return handle_; }
    const std::string& Name() const { return name_; }
    virtual std::string Text() const;
    virtual void SetText(const std::string& text);
    bool Enabled() const;
    void SetEnabled(bool enabled);
    bool Focused() const;
    void SetFocus();
    TArea Bounds() const;  // in the dialog's client area; a label's size follows its text
    void SetLeft(int left);
    void Repaint();

    TFontStyle Font;
    std::optional<TColor> TextColor;  // none: the theme's
    std::string Hint;

    std::function<void()> OnClick, OnChange, OnExit;
    std::function<void(TMouseButton)> OnMouseDown, OnMouseUp;

protected:
    friend class TDialogForm;
    friend struct TDialogSignals;
    // The control's widget, not yet placed; the base places and styles it.
    virtual GtkWidget* Create(const TControlDef& def) = 0;
    // The widget that carries the text and the font (a link's label inside its event box).
    virtual GtkWidget* TextWidget() const { return handle_; }
    virtual bool SizesToText() const { return false; }
    // CSS declarations of the kind, beside the font and colour.
    virtual std::string KindStyle() const { return {}; }
    void Connect(gpointer instance, const char* signal, GCallback callback);

    GtkWidget* handle_ = nullptr;
    TDialogForm* dialog_ = nullptr;
    std::string name_;
    TArea bounds_{};
    std::vector<TSignalConnection> signals_;

private:
    GObjectPtr<GtkCssProvider> style_;
};

// A label sizes itself to its text.
class TLabel : public TControl {
protected:
    GtkWidget* Create(const TControlDef& def) override;
    bool SizesToText() const override { return true; }
};

// A label that acts as a link: hand cursor, blue and underlined; OnClick
// when the left button goes up over it after going down on it.
class TLinkLabel : public TControl {
public:
    TLinkLabel();
    std::string Text() const override;
    void SetText(const std::string& text) override;

protected:
    GtkWidget* Create(const TControlDef& def) override;
    GtkWidget* TextWidget() const override { return label_; }
    bool SizesToText() const override { return true; }

private:
    friend struct TDialogSignals;
    GtkWidget* label_ = nullptr;
    bool pressed_ = false;
};

class TButton : public TControl {
protected:
    GtkWidget* Create(const TControlDef& def) override;
    // The table's height, not the theme's taller minimum.
    std::string KindStyle() const override { return " min-height: 0; padding-top: 0; padding-bottom: 0;"; }
};

class TEdit : public TControl {
protected:
    GtkWidget* Create(const TControlDef& def) override;
};

class TCheckBox : public TControl {
public:
    bool Checked() const;
    void SetChecked(bool checked);

protected:
    GtkWidget* Create(const TControlDef& def) override;
};

// A picture button beside a field: the table's text is its hint.
class TSpeedButton : public TControl {
public:
    std::string IconName = "document-open-symbolic";

protected:
    GtkWidget* Create(const TControlDef& def) override;
    std::string KindStyle() const override { return " min-height: 0; min-width: 0; padding: 0;"; }
};

// A number field with arrows. Its text is shown as set until the field is
// left, when GTK pulls the number into the range.
class TSpinEdit : public TControl {
public:
    int MinValue = 0, MaxValue = 100;
    // The number in the text; MinValue when there is none.
    int Value() const;
    void SetValue(int value);  // pulled into the range
    void SetText(const std::string& text) override;
    // Left empty: the text it had when it got the focus comes back.
    void UndoWhenEmpty();

protected:
    friend struct TDialogSignals;
    GtkWidget* Create(const TControlDef& def) override;

private:
    std::string textOnEntry_;
    bool showAsSet_ = false;  // GTK leaves the text alone until the field is entered
};

// Drop-down list without typing; the table's text holds the items, one per line.
class TComboBox : public TControl {
public:
    int ItemIndex() const;
    void SetItemIndex(int index);

protected:
    GtkWidget* Create(const TControlDef& def) override;
};

// Filled rectangle with an outline, drawn under the controls after it.
class TShape : public TControl {
public:
    TColor BrushColor = clWhite;
    TColor PenColor = clBlack;

protected:
    GtkWidget* Create(const TControlDef& def) override;
};

// Sunken frame around a group of controls.
class TBevel : public TControl {
protected:
    GtkWidget* Create(const TControlDef& def) override;
};

// A picture at its own size.
class TIconImage : public TControl {
public:
    void SetIcon(GdkPixbuf* icon);

protected:
    GtkWidget* Create(const TControlDef& def) override;
};

struct TControlDef {
    TControl* Control;
    const char* Name;
    std::string Text;  // caption (with "&" for its access key), or list items
    TArea Bounds;      // a label's width and height follow its text
    unsigned Style = 0;
    int TabOrder = NoTabOrder;
};

enum class TPosition { ScreenCenter, OwnerCenter };

class TDialogForm {
public:
    TDialogForm(const TDialogForm&) = delete;
    TDialogForm& operator=(const TDialogForm&) = delete;
    virtual ~TDialogForm();

    // Creates the window if needed, runs FormShow, shows the dialog modally
    // and returns the result it closed with. The dialog is hidden afterwards.
    int ShowModal();
    // Ends the modal loop with the result.
    void Close(int result);
    int ModalResult() const { return modalResult_; }
    void CreateForm();
    GtkWindow* Handle() const { return GTK_WINDOW(window_.Get()); }
    GtkWindow* Owner() const { return owner_; }
    int ClientWidth() const { return clientWidth_; }
    int ClientHeight() const { return clientHeight_; }

protected:
    TDialogForm(GtkWindow* owner, std::string caption, int clientWidth, int clientHeight, TPosition position);
    virtual std::vector<TControlDef> Controls() = 0;
    virtual void FormShow() {}

private:
    friend class TControl;
    friend struct TDialogSignals;
    void Place(TControl& control, const TControlDef& def);
    void SetTabOrder(std::vector<std::pair<int, TControl*>> order);
    bool KeyPressed(const GdkEventKey& key);

    GtkWindow* owner_;
    std::string caption_;
    int clientWidth_, clientHeight_;
    TPosition position_;
    int modalResult_ = mrNone;
    GObjectPtr<GtkWidget> window_;
    GtkWidget* fixed_ = nullptr;
    GMainLoop* loop_ = nullptr;  // while ShowModal runs
    TControl* cancelButton_ = nullptr;
    TControl* firstFocus_ = nullptr;
    std::vector<TSignalConnection> signals_;
};
