#include "shell/linux/Dialog.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "shell/linux/MessageDialog.h"
#include "util/Text.h"

namespace {

// Windows' "Tahoma" where the desktop has it, else a sans face of the same size.
const char FontFamilies[] = "Tahoma, \"DejaVu Sans\", sans-serif";

// "&Save" on Windows is "_Save" here; "&&" is a plain "&", a plain "_" is doubled.
std::string MnemonicCaption(const std::string& caption) {
    std::string result;
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '_') {
            result += "__";
        } else if (caption[i] == '&' && i + 1 < caption.size()) {
            result += caption[i + 1] == '&' ? "&" : "_";
            if (caption[i + 1] == '&') ++i;
        } else {
            result += caption[i];
        }
    }
    return result;
}

std::string CssColor(const TColor& color) {
    char text[32];
    std::snprintf(text, sizeof(text), "rgb(%u,%u,%u)", color.Red, color.Green, color.Blue);
    return text;
}

void SetSourceColor(cairo_t* cairo, const TColor& color) {
    cairo_set_source_rgb(cairo, color.Red / 255.0, color.Green / 255.0, color.Blue / 255.0);
}

std::optional<TMouseButton> MouseButtonOf(guint button) {
    switch (button) {
    case GDK_BUTTON_PRIMARY: return TMouseButton::Left;
    case GDK_BUTTON_SECONDARY: return TMouseButton::Right;
    case GDK_BUTTON_MIDDLE: return TMouseButton::Middle;
    default: return std::nullopt;
    }
}

// The owner takes no input while the dialog runs, and takes it again however the dialog ends.
class TOwnerDisabled {
public:
    explicit TOwnerDisabled(GtkWindow* owner) : owner_(owner) {
        if (owner_) gtk_widget_set_sensitive(GTK_WIDGET(owner_), FALSE);
    }
    ~TOwnerDisabled() {
        if (owner_) gtk_widget_set_sensitive(GTK_WIDGET(owner_), TRUE);
    }
    TOwnerDisabled(const TOwnerDisabled&) = delete;
    TOwnerDisabled& operator=(const TOwnerDisabled&) = delete;

private:
    GtkWindow* owner_;
};

}  // namespace

// The GTK edges of the dialogs: the control or dialog back from user data,
// then its handler, nothing thrown getting past.
struct TDialogSignals {
    static TControl& Control(gpointer self) { return *static_cast<TControl*>(self); }
    template <class F>
    static void Run(TControl& control, F&& handler) {
        AtCallbackEdge(control.dialog_ ? control.dialog_->Handle() : nullptr, std::forward<F>(handler));
    }
    static void Fire(gpointer self, std::function<void()> TControl::*event) {
        TControl& control = Control(self);
        if (control.*event) Run(control, [&] { (control.*event)(); });
    }
    static void Clicked(GtkWidget*, gpointer self) { Fire(self, &TControl::OnClick); }
    static void Changed(GtkWidget*, gpointer self) { Fire(self, &TControl::OnChange); }
    static gboolean SpinFocusIn(GtkWidget*, GdkEvent*, gpointer self) {
        auto& spin = static_cast<TSpinEdit&>(Control(self));
        spin.textOnEntry_ = spin.Text();
        spin.showAsSet_ = false;
        return FALSE;
    }
    static gboolean SpinOutput(GtkSpinButton*, gpointer self) { return static_cast<TSpinEdit&>(Control(self)).showAsSet_; }
    static gboolean FocusOut(GtkWidget*, GdkEvent*, gpointer self) {
        Fire(self, &TControl::OnExit);
        return FALSE;
    }
    static gboolean LinkPress(GtkWidget*, GdkEventButton* event, gpointer self) {
        auto& link = static_cast<TLinkLabel&>(Control(self));
        const auto button = MouseButtonOf(event->button);
        if (!button || event->type != GDK_BUTTON_PRESS) return FALSE;
        if (*button == TMouseButton::Left) link.pressed_ = true;
        if (link.OnMouseDown) Run(link, [&] { link.OnMouseDown(*button); });
        return TRUE;
    }
    static gboolean LinkRelease(GtkWidget* widget, GdkEventButton* event, gpointer self) {
        auto& link = static_cast<TLinkLabel&>(Control(self));
        const auto button = MouseButtonOf(event->button);
        if (!button) return FALSE;
        if (link.OnMouseUp) Run(link, [&] { link.OnMouseUp(*button); });
        GtkAllocation area{};
        gtk_widget_get_allocation(widget, &area);
        const bool over = event->x >= 0 && event->y >= 0 && event->x < area.width && event->y < area.height;
        const bool click = *button == TMouseButton::Left && link.pressed_ && over;
        if (*button == TMouseButton::Left) link.pressed_ = false;
        if (click && link.OnClick) Run(link, [&] { link.OnClick(); });
        return TRUE;
    }
    // The hand while the pointer is over the link: the event box has no window of its own to carry it.
    static gboolean LinkCrossed(GtkWidget* widget, GdkEventCrossing* event, gpointer) {
        GdkWindow* window = gtk_widget_get_window(widget);
        if (event->type != GDK_ENTER_NOTIFY) {
            gdk_window_set_cursor(window, nullptr);
            return FALSE;
        }
        auto cursor = GObjectPtr<GdkCursor>::Adopt(gdk_cursor_new_from_name(gtk_widget_get_display(widget), "pointer"));
        gdk_window_set_cursor(window, cursor.Get());
        return FALSE;
    }
    static gboolean ShapeDraw(GtkWidget* widget, cairo_t* cairo, gpointer self) {
        const auto& shape = static_cast<TShape&>(Control(self));
        const double width = gtk_widget_get_allocated_width(widget), height = gtk_widget_get_allocated_height(widget);
        SetSourceColor(cairo, shape.BrushColor);
        cairo_paint(cairo);
        SetSourceColor(cairo, shape.PenColor);
        cairo_set_line_width(cairo, 1);
        cairo_rectangle(cairo, 0.5, 0.5, width - 1, height - 1);
        cairo_stroke(cairo);
        return FALSE;
    }

    static TDialogForm& Dialog(gpointer self) { return *static_cast<TDialogForm*>(self); }
    static gboolean DialogDelete(GtkWidget*, GdkEvent*, gpointer self) {
        Dialog(self).Close(mrCancel);
        return TRUE;
    }
    static gboolean DialogKey(GtkWidget*, GdkEventKey* key, gpointer self) {
        bool handled = false;
        AtCallbackEdge(Dialog(self).Handle(), [&] { handled = Dialog(self).KeyPressed(*key); });
        return handled;
    }
};

// ---- controls

void TControl::Connect(gpointer instance, const char* signal, GCallback callback) {
    signals_.emplace_back(instance, signal, callback, this);
}

std::string TControl::Text() const {
    if (GTK_IS_LABEL(handle_)) return gtk_label_get_text(GTK_LABEL(handle_));
    if (GTK_IS_ENTRY(handle_)) return gtk_entry_get_text(GTK_ENTRY(handle_));
    if (GTK_IS_BUTTON(handle_)) return gtk_button_get_label(GTK_BUTTON(handle_));
    return {};
}

void TControl::SetText(const std::string& text) {
    if (GTK_IS_LABEL(handle_)) gtk_label_set_text(GTK_LABEL(handle_), text.c_str());
    else if (GTK_IS_ENTRY(handle_)) gtk_entry_set_text(GTK_ENTRY(handle_), text.c_str());
    else if (GTK_IS_BUTTON(handle_)) gtk_button_set_label(GTK_BUTTON(handle_), MnemonicCaption(text).c_str());
}

bool TControl::Enabled() const { return gtk_widget_get_sensitive(handle_); }
void TControl::SetEnabled(bool enabled) { gtk_widget_set_sensitive(handle_, enabled); }
bool TControl::Focused() const { return gtk_widget_has_focus(handle_); }
void TControl::SetFocus() { gtk_widget_grab_focus(handle_); }

TArea TControl::Bounds() const {
    if (!SizesToText()) return bounds_;
    int width = 0, height = 0;
    gtk_widget_get_preferred_width(handle_, nullptr, &width);
    gtk_widget_get_preferred_height(handle_, nullptr, &height);
    return {bounds_.Left, bounds_.Top, width, height};
}

void TControl::SetLeft(int left) {
    bounds_.Left = left;
    gtk_fixed_move(GTK_FIXED(gtk_widget_get_parent(handle_)), handle_, bounds_.Left, bounds_.Top);
}

// The font and colour, as a style of this control alone.
void TControl::Repaint() {
    std::string css = "* { font-family: " + std::string(FontFamilies) + "; font-size: " +
                      std::to_string(std::abs(Font.Height)) + "px;";
    if (Font.Bold) css += " font-weight: bold;";
    if (Font.Underline) css += " text-decoration-line: underline;";
    if (TextColor) css += " color: " + CssColor(*TextColor) + ";";
    css += KindStyle() + " }";
    GtkStyleContext* context = gtk_widget_get_style_context(TextWidget());
    if (style_) gtk_style_context_remove_provider(context, GTK_STYLE_PROVIDER(style_.Get()));
    style_ = GObjectPtr<GtkCssProvider>::Adopt(gtk_css_provider_new());
    gtk_css_provider_load_from_data(style_.Get(), css.c_str(), -1, nullptr);
    gtk_style_context_add_provider(context, GTK_STYLE_PROVIDER(style_.Get()), GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    // A button's caption is a label of its own.
    if (GtkWidget* child = GTK_IS_BIN(TextWidget()) ? gtk_bin_get_child(GTK_BIN(TextWidget())) : nullptr)
        gtk_style_context_add_provider(gtk_widget_get_style_context(child), GTK_STYLE_PROVIDER(style_.Get()),
                                       GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    gtk_widget_queue_draw(handle_);
}

GtkWidget* TLabel::Create(const TControlDef& def) {
    GtkWidget* label = gtk_label_new(def.Text.c_str());
    if (def.Style & csCentered) gtk_label_set_justify(GTK_LABEL(label), GTK_JUSTIFY_CENTER);
    return label;
}

TLinkLabel::TLinkLabel() {
    TextColor = clBlue;
    Font.Underline = true;
}

std::string TLinkLabel::Text() const { return gtk_label_get_text(GTK_LABEL(label_)); }
void TLinkLabel::SetText(const std::string& text) { gtk_label_set_text(GTK_LABEL(label_), text.c_str()); }

GtkWidget* TLinkLabel::Create(const TControlDef& def) {
    GtkWidget* box = gtk_event_box_new();
    gtk_event_box_set_visible_window(GTK_EVENT_BOX(box), FALSE);
    label_ = gtk_label_new(def.Text.c_str());
    gtk_container_add(GTK_CONTAINER(box), label_);
    Connect(box, "button-press-event", G_CALLBACK(TDialogSignals::LinkPress));
    Connect(box, "button-release-event", G_CALLBACK(TDialogSignals::LinkRelease));
    gtk_widget_add_events(box, GDK_ENTER_NOTIFY_MASK | GDK_LEAVE_NOTIFY_MASK);
    Connect(box, "enter-notify-event", G_CALLBACK(TDialogSignals::LinkCrossed));
    Connect(box, "leave-notify-event", G_CALLBACK(TDialogSignals::LinkCrossed));
    return box;
}

GtkWidget* TButton::Create(const TControlDef& def) {
    GtkWidget* button = gtk_button_new_with_mnemonic(MnemonicCaption(def.Text).c_str());
    Connect(button, "clicked", G_CALLBACK(TDialogSignals::Clicked));
    return button;
}

GtkWidget* TEdit::Create(const TControlDef& def) {
    GtkWidget* edit = gtk_entry_new();
    gtk_entry_set_text(GTK_ENTRY(edit), def.Text.c_str());
    gtk_entry_set_activates_default(GTK_ENTRY(edit), TRUE);
    Connect(edit, "changed", G_CALLBACK(TDialogSignals::Changed));
    Connect(edit, "focus-out-event", G_CALLBACK(TDialogSignals::FocusOut));
    return edit;
}

GtkWidget* TSpeedButton::Create(const TControlDef& def) {
    GtkWidget* button = gtk_button_new_from_icon_name(IconName.c_str(), GTK_ICON_SIZE_MENU);
    Hint = def.Text;
    gtk_widget_set_tooltip_text(button, Hint.c_str());
    Connect(button, "clicked", G_CALLBACK(TDialogSignals::Clicked));
    return button;
}

int TSpinEdit::Value() const { return SpinValueOf(Text(), MinValue); }

void TSpinEdit::SetValue(int value) { SetText(std::to_string(ClampToRange(value, MinValue, MaxValue))); }

void TSpinEdit::SetText(const std::string& text) {
    showAsSet_ = true;
    TControl::SetText(text);
}

void TSpinEdit::UndoWhenEmpty() {
    if (Trim(Text()).empty()) SetText(textOnEntry_);
}

GtkWidget* TSpinEdit::Create(const TControlDef&) {
    GtkWidget* spin = gtk_spin_button_new_with_range(MinValue, MaxValue, 1);
    gtk_spin_button_set_numeric(GTK_SPIN_BUTTON(spin), TRUE);
    gtk_entry_set_activates_default(GTK_ENTRY(spin), TRUE);
    Connect(spin, "changed", G_CALLBACK(TDialogSignals::Changed));
    Connect(spin, "focus-in-event", G_CALLBACK(TDialogSignals::SpinFocusIn));
    Connect(spin, "output", G_CALLBACK(TDialogSignals::SpinOutput));
    Connect(spin, "focus-out-event", G_CALLBACK(TDialogSignals::FocusOut));
    return spin;
}

bool TCheckBox::Checked() const { return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(handle_)); }
void TCheckBox::SetChecked(bool checked) { gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(handle_), checked); }

GtkWidget* TCheckBox::Create(const TControlDef& def) {
    GtkWidget* box = gtk_check_button_new_with_mnemonic(MnemonicCaption(def.Text).c_str());
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(box), (def.Style & csChecked) != 0);
    Connect(box, "toggled", G_CALLBACK(TDialogSignals::Clicked));
    return box;
}

int TComboBox::ItemIndex() const { return gtk_combo_box_get_active(GTK_COMBO_BOX(handle_)); }
void TComboBox::SetItemIndex(int index) { gtk_combo_box_set_active(GTK_COMBO_BOX(handle_), index); }

GtkWidget* TComboBox::Create(const TControlDef& def) {
    GtkWidget* combo = gtk_combo_box_text_new();
    for (size_t start = 0; start < def.Text.size();) {
        const size_t end = std::min(def.Text.find('\n', start), def.Text.size());
        gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(combo), def.Text.substr(start, end - start).c_str());
        start = end + 1;
    }
    Connect(combo, "changed", G_CALLBACK(TDialogSignals::Changed));
    return combo;
}

GtkWidget* TShape::Create(const TControlDef&) {
    GtkWidget* area = gtk_drawing_area_new();
    Connect(area, "draw", G_CALLBACK(TDialogSignals::ShapeDraw));
    return area;
}

GtkWidget* TBevel::Create(const TControlDef&) {
    GtkWidget* frame = gtk_frame_new(nullptr);
    gtk_frame_set_shadow_type(GTK_FRAME(frame), GTK_SHADOW_IN);
    return frame;
}

void TIconImage::SetIcon(GdkPixbuf* icon) { gtk_image_set_from_pixbuf(GTK_IMAGE(handle_), icon); }

GtkWidget* TIconImage::Create(const TControlDef&) { return gtk_image_new(); }

// ---- the dialog

TDialogForm::TDialogForm(GtkWindow* owner, std::string caption, int clientWidth, int clientHeight,
                         TPosition position)
    : owner_(owner), caption_(std::move(caption)), clientWidth_(clientWidth), clientHeight_(clientHeight),
      position_(position) {}

// The controls (members of the dialog) are gone already, their handlers
// disconnected; the window goes last.
TDialogForm::~TDialogForm() {
    signals_.clear();
    if (window_) gtk_widget_destroy(window_.Get());
}

void TDialogForm::CreateForm() {
    if (window_) return;
    window_ = GObjectPtr<GtkWidget>::RefSink(gtk_window_new(GTK_WINDOW_TOPLEVEL));
    GtkWindow* window = Handle();
    gtk_window_set_title(window, caption_.c_str());
    gtk_window_set_resizable(window, FALSE);
    gtk_window_set_modal(window, TRUE);
    gtk_window_set_skip_taskbar_hint(window, owner_ != nullptr);
    gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_DIALOG);
    if (owner_) gtk_window_set_transient_for(window, owner_);
    gtk_window_set_position(window, position_ == TPosition::OwnerCenter && owner_ ? GTK_WIN_POS_CENTER_ON_PARENT
                                                                                  : GTK_WIN_POS_CENTER);
    fixed_ = gtk_fixed_new();
    gtk_widget_set_size_request(fixed_, clientWidth_, clientHeight_);
    gtk_container_add(GTK_CONTAINER(window), fixed_);
    signals_.emplace_back(window, "delete-event", G_CALLBACK(TDialogSignals::DialogDelete), this);
    signals_.emplace_back(window, "key-press-event", G_CALLBACK(TDialogSignals::DialogKey), this);

    std::vector<std::pair<int, TControl*>> tabOrder;
    for (const TControlDef& def : Controls()) {
        Place(*def.Control, def);
        if (def.TabOrder != NoTabOrder) tabOrder.emplace_back(def.TabOrder, def.Control);
    }
    SetTabOrder(std::move(tabOrder));
    gtk_widget_show_all(fixed_);
}

void TDialogForm::Place(TControl& control, const TControlDef& def) {
    control.dialog_ = this;
    control.name_ = def.Name;
    control.bounds_ = def.Bounds;
    control.handle_ = control.Create(def);
    gtk_widget_set_name(control.handle_, def.Name);
    if (!control.SizesToText()) gtk_widget_set_size_request(control.handle_, def.Bounds.Width, def.Bounds.Height);
    if (!control.Hint.empty()) gtk_widget_set_tooltip_text(control.handle_, control.Hint.c_str());
    if (def.Style & csDisabled) gtk_widget_set_sensitive(control.handle_, FALSE);
    if (def.Style & csNoTabStop) gtk_widget_set_can_focus(control.handle_, FALSE);
    if (def.Style & csDefault) {
        gtk_widget_set_can_default(control.handle_, TRUE);
        gtk_window_set_default(Handle(), control.handle_);
    }
    if (def.Style & csCancel) cancelButton_ = &control;
    gtk_fixed_put(GTK_FIXED(fixed_), control.handle_, def.Bounds.Left, def.Bounds.Top);
    control.Repaint();
}

void TDialogForm::SetTabOrder(std::vector<std::pair<int, TControl*>> order) {
    std::stable_sort(order.begin(), order.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    GList* chain = nullptr;
    for (const auto& entry : order) chain = g_list_append(chain, entry.second->handle_);
    firstFocus_ = order.empty() ? nullptr : order.front().second;
    // The fixed layout knows no order of its own; the chain is GTK 3's way to give one.
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    if (chain) gtk_container_set_focus_chain(GTK_CONTAINER(fixed_), chain);
    G_GNUC_END_IGNORE_DEPRECATIONS
    g_list_free(chain);
}

bool TDialogForm::KeyPressed(const GdkEventKey& key) {
    if (key.keyval != GDK_KEY_Escape) return false;
    if (cancelButton_)
        gtk_button_clicked(GTK_BUTTON(cancelButton_->handle_));
    else
        Close(mrCancel);
    return true;
}

int TDialogForm::ShowModal() {
    CreateForm();
    modalResult_ = mrNone;
    FormShow();
    const TOwnerDisabled disabled(owner_);
    gtk_window_present(Handle());
    if (firstFocus_) firstFocus_->SetFocus();
    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    loop_ = loop;
    if (modalResult_ == mrNone) g_main_loop_run(loop);
    loop_ = nullptr;
    g_main_loop_unref(loop);
    gtk_widget_hide(window_.Get());
    return modalResult_;
}

void TDialogForm::Close(int result) {
    modalResult_ = result;
    if (loop_) g_main_loop_quit(loop_);
}
