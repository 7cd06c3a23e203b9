#include "shell/linux/BrowserFrame.h"

#include <algorithm>
#include <cmath>

#include <gdk/gdkx.h>

#include "server/Product.h"
#include "shell/BrowserRules.h"
#include "shell/linux/BrowserForm.h"
#include "shell/linux/Favorites.h"
#include "shell/linux/MessageDialog.h"
#include "shell/linux/SaveDialog.h"
#include "util/Guard.h"
#include "util/Text.h"
#include "util/linux/Files.h"

namespace {

const int DesignClientWidth = 632, DesignClientHeight = 453;
const int ProgressMaximum = 100;
const int StatusBarPadding = 2, StatusTextMargin = 6;
const int RowSpacing = 6;

// WebKit lets a script close only a window with one page in its history; the
// Windows control lets every page close its window. So the page's close is ours.
// Every window's handler has a name of its own. A pop-up's first page runs
// with its opener's scripts and handlers, so a message may come from a page
// of another window: the window asks its own page before it closes.
std::string CloseMessageName() {
    static int windows = 0;
    return "vadromeClose" + std::to_string(++windows);
}

// The page marks itself, so the window that hears the message can ask its
// own page; the native close still runs, for the pop-ups a script opened.
std::string CloseScript(const std::string& message) {
    return "(() => { const nativeClose = window.close.bind(window); window.close = function () {"
           " window.vadromeClosing = true; window.webkit.messageHandlers." +
           message + ".postMessage(null); nativeClose(); }; })();";
}
const char ClosingQuestion[] = "window.vadromeClosing === true";

const char FavoriteCaptionKey[] = "vadrome-favorite";
const char SavedPageSuffix[] = ".html";
enum TMenuColumn { CommandColumn, FavoritesColumn };

// Without a window manager (a bare X server) nobody makes a window full screen.
bool WindowManagerFullScreens(GtkWindow* window) {
    GdkScreen* screen = gtk_window_get_screen(window);
    return !GDK_IS_X11_SCREEN(screen) ||
           gdk_x11_screen_supports_net_wm_hint(screen, gdk_atom_intern_static_string("_NET_WM_STATE_FULLSCREEN"));
}

// A file name for a saved page: its title, without what a file name cannot hold.
std::string PageFileName(const char* title) {
    std::string name = title && *title ? title : "page";
    for (char& c : name)
        if (c == '/') c = '_';
    return name + SavedPageSuffix;
}

// The page's own bytes, handed to then once they are there; nothing without a page.
void WithPageData(WebKitWebView* view, std::function<void(GBytes*)> then) {
    WebKitWebResource* page = webkit_web_view_get_main_resource(view);
    if (!page) return;
    webkit_web_resource_get_data(
        page, nullptr,
        [](GObject* resource, GAsyncResult* result, gpointer data) {
            const std::unique_ptr<std::function<void(GBytes*)>> then(static_cast<std::function<void(GBytes*)>*>(data));
            gsize size = 0;
            guchar* bytes = webkit_web_resource_get_data_finish(WEBKIT_WEB_RESOURCE(resource), result, &size, nullptr);
            if (!bytes) return;
            GBytes* held = g_bytes_new_take(bytes, size);
            AtCallbackEdge(nullptr, [&] { (*then)(held); });
            g_bytes_unref(held);
        },
        new std::function<void(GBytes*)>(std::move(then)));
}

// A line in the middle of its cell: the two columns share their rows, and a
// separator item stretched to a row of the other column draws a grey block.
GtkWidget* MenuSeparator() {
    GtkWidget* item = gtk_menu_item_new();
    GtkWidget* line = gtk_separator_new(GTK_ORIENTATION_HORIZONTAL);
    gtk_widget_set_valign(line, GTK_ALIGN_CENTER);
    gtk_container_add(GTK_CONTAINER(item), line);
    gtk_widget_show(line);
    gtk_widget_set_sensitive(item, FALSE);
    return item;
}

GdkModifierType ShortCutModifiers(guint state) {
    return GdkModifierType(state & gtk_accelerator_get_default_mod_mask());
}

// What the Windows control would make of a typed address: no scheme means the web.
std::string NavigableAddress(const std::string& text) {
    if (text.empty() || g_uri_peek_scheme(text.c_str())) return text;
    return "http://" + text;
}

}  // namespace

// One static trampoline per signal: the form back from user data, then its
// named handler, with nothing thrown getting past the edge.
struct TFrameSignals {
    static TBrowserFrame& Form(gpointer self) { return *static_cast<TBrowserFrame*>(self); }
    template <class F>
    static void Run(gpointer self, F&& handler) {
        AtCallbackEdge(Form(self).Handle(), std::forward<F>(handler));
    }

    static gboolean DeleteEvent(GtkWidget*, GdkEvent*, gpointer self) {
        Run(self, [&] { Form(self).FormClose(); });
        return TRUE;  // the form decides; the window is never destroyed behind its back
    }
    static gboolean KeyPressBeforeFocus(GtkWidget*, GdkEventKey* key, gpointer self) {
        bool handled = false;
        Run(self, [&] { handled = Form(self).FormKeyDown(*key, TKeyOrder::BeforeFocus); });
        return handled;
    }
    static gboolean KeyPressAfterFocus(GtkWidget*, GdkEventKey* key, gpointer self) {
        bool handled = false;
        Run(self, [&] { handled = Form(self).FormKeyDown(*key, TKeyOrder::AfterFocus); });
        return handled;
    }
    static void BackClicked(GtkToolButton*, gpointer self) { Run(self, [&] { Form(self).btnBackClick(); }); }
    static void ForwardClicked(GtkToolButton*, gpointer self) { Run(self, [&] { Form(self).btnForwardClick(); }); }
    static void RefreshClicked(GtkToolButton*, gpointer self) { Run(self, [&] { Form(self).btnRefreshClick(); }); }
    static void StopClicked(GtkToolButton*, gpointer self) { Run(self, [&] { Form(self).btnStopClick(); }); }
    static void HomeClicked(GtkToolButton*, gpointer self) { Run(self, [&] { Form(self).btnHomeClick(); }); }
    static void BrandClicked(GtkToolButton*, gpointer self) { Run(self, [&] { Form(self).btnBrandClick(); }); }
    static void GoClicked(GtkButton*, gpointer self) { Run(self, [&] { Form(self).btnGoClick(); }); }
    static gboolean AddressKeyPress(GtkWidget*, GdkEventKey* key, gpointer self) {
        bool handled = false;
        Run(self, [&] { handled = Form(self).cboAddressKeyDown(key->keyval); });
        return handled;
    }
    static void AddressChanged(GtkComboBox* combo, gpointer self) {
        if (Form(self).selectingAddress_) return;
        if (gtk_combo_box_get_active(combo) >= 0)
            Run(self, [&] { Form(self).cboAddressClick(); });  // picked from the list
        else
            Run(self, [&] { Form(self).cboAddressChange(); });
    }
    // The wheel over the box would otherwise walk the history, loading each page.
    static gboolean AddressScroll(GtkWidget*, GdkEvent*, gpointer) { return TRUE; }

    static void LoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer self) {
        Run(self, [&] { Form(self).WebViewLoadChanged(event); });
    }
    static void TitleNotify(GObject*, GParamSpec*, gpointer self) { Run(self, [&] { Form(self).WebViewTitleNotify(); }); }
    static void ProgressNotify(GObject*, GParamSpec*, gpointer self) {
        Run(self, [&] { Form(self).WebViewProgressNotify(); });
    }
    static void LoadingNotify(GObject*, GParamSpec*, gpointer self) {
        Run(self, [&] { Form(self).WebViewLoadingNotify(); });
    }
    static void HistoryChanged(WebKitBackForwardList*, WebKitBackForwardListItem*, gpointer, gpointer self) {
        Run(self, [&] { Form(self).WebViewHistoryChanged(); });
    }
    static void MouseTargetChanged(WebKitWebView*, WebKitHitTestResult* hit, guint, gpointer self) {
        Run(self, [&] { Form(self).WebViewMouseTargetChanged(hit); });
    }
    static void MenuClicked(GtkToolButton*, gpointer self) { Run(self, [&] { Form(self).btnMenuClick(); }); }
    static void SaveAsClicked(GtkMenuItem*, gpointer self) { Run(self, [&] { Form(self).mnuMenu_SaveAsClick(); }); }
    static void PageSetupClicked(GtkMenuItem*, gpointer self) {
        Run(self, [&] { Form(self).mnuMenu_PageSetupClick(); });
    }
    static void PrintClicked(GtkMenuItem*, gpointer self) { Run(self, [&] { Form(self).mnuMenu_PrintClick(); }); }
    static void FindClicked(GtkMenuItem*, gpointer self) { Run(self, [&] { Form(self).mnuMenu_FindClick(); }); }
    static void SourceClicked(GtkMenuItem*, gpointer self) { Run(self, [&] { Form(self).mnuMenu_SourceClick(); }); }
    static void OrganizeFavoritesClicked(GtkMenuItem*, gpointer self) {
        Run(self, [&] { Form(self).mnuMenu_OrganizeFavoritesClick(); });
    }
    static void FolderClicked(GtkMenuItem* item, gpointer self) {
        const std::string caption = static_cast<const char*>(g_object_get_data(G_OBJECT(item), FavoriteCaptionKey));
        Run(self, [&] { Form(self).DirMenuItemClick(caption); });
    }
    static void PageClicked(GtkMenuItem* item, gpointer self) {
        const std::string caption = static_cast<const char*>(g_object_get_data(G_OBJECT(item), FavoriteCaptionKey));
        Run(self, [&] { Form(self).UrlMenuItemClick(caption); });
    }
    static void FindChanged(GtkSearchEntry*, gpointer self) { Run(self, [&] { Form(self).edtFindChange(); }); }
    static void FindEnter(GtkEntry*, gpointer self) { Run(self, [&] { Form(self).edtFindEnter(); }); }
    static void FindStop(GtkSearchEntry*, gpointer self) { Run(self, [&] { Form(self).edtFindStop(); }); }
    static GtkWidget* Create(WebKitWebView*, WebKitNavigationAction*, gpointer self) {
        WebKitWebView* view = nullptr;
        Run(self, [&] { view = Form(self).WebBrowser1NewWindow2(); });
        return view ? GTK_WIDGET(view) : nullptr;
    }
    static gboolean DecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type,
                                 gpointer self) {
        bool handled = false;
        Run(self, [&] { handled = Form(self).WebViewDecidePolicy(decision, type); });
        return handled;
    }
    static gboolean EnterFullScreen(WebKitWebView*, gpointer self) {
        Run(self, [&] { Form(self).WebBrowser1FullScreenChange(true); });
        return TRUE;
    }
    static gboolean LeaveFullScreen(WebKitWebView*, gpointer self) {
        Run(self, [&] { Form(self).WebBrowser1FullScreenChange(false); });
        return TRUE;
    }
    static void Close(WebKitWebView*, gpointer self) { Run(self, [&] { Form(self).BrowserWindowClosed(); }); }
    static void ScriptClose(WebKitUserContentManager*, WebKitJavascriptResult*, gpointer self) {
        Run(self, [&] { Form(self).WebViewScriptClose(); });
    }
    static void ClosingAnswered(GObject* view, GAsyncResult* result, gpointer self) {
        GError* error = nullptr;
        auto answer = GObjectPtr<JSCValue>::Adopt(
            webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(view), result, &error));
        const GErrorPtr failed(error);
        if (failed && g_error_matches(failed.get(), G_IO_ERROR, G_IO_ERROR_CANCELLED)) return;  // the window is gone
        if (answer && jsc_value_is_boolean(answer.Get()) && jsc_value_to_boolean(answer.Get()))
            Run(self, [&] { Form(self).BrowserWindowClosed(); });
    }
};

TBrowserFrame::TBrowserFrame(const TFrameDesign& design, const std::string& caption, TBuild build)
    : design_(design), window_(GObjectPtr<GtkWidget>::RefSink(gtk_window_new(GTK_WINDOW_TOPLEVEL))) {
    gtk_window_set_title(Handle(), caption.c_str());
    gtk_window_set_default_size(Handle(), DesignClientWidth, DesignClientHeight);
    layout_ = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    gtk_container_add(GTK_CONTAINER(Handle()), layout_);
    gtk_widget_show(layout_);
    Connect(Handle(), "delete-event", G_CALLBACK(TFrameSignals::DeleteEvent));
    Connect(Handle(), "key-press-event", G_CALLBACK(TFrameSignals::KeyPressBeforeFocus));
    Connect(Handle(), "key-press-event", G_CALLBACK(TFrameSignals::KeyPressAfterFocus), true);
    if (build == TBuild::Now) BuildComponents();
}

// No handler may reach this object once it is going: every connection goes
// before the window and the web view inside it.
TBrowserFrame::~TBrowserFrame() {
    g_cancellable_cancel(pending_.Get());
    signals_.clear();
    gtk_widget_destroy(window_.Get());
}

void TBrowserFrame::Connect(gpointer instance, const char* signal, GCallback callback, bool after) {
    signals_.emplace_back(instance, signal, callback, this, after);
}

void TBrowserFrame::Show() { gtk_widget_show(window_.Get()); }

// ---- components

void TBrowserFrame::BuildComponents() {
    CoolBar1 = CreateCoolBar();
    gtk_box_pack_start(GTK_BOX(layout_), CoolBar1, FALSE, FALSE, 0);
    WebBrowser1 = CreateWebView();
    gtk_box_pack_start(GTK_BOX(layout_), GTK_WIDGET(WebBrowser1), TRUE, TRUE, 0);
    StatusBar1 = CreateStatusBar();
    gtk_box_pack_end(GTK_BOX(layout_), StatusBar1, FALSE, FALSE, 0);
    barFind = CreateFindBar();
    gtk_box_pack_end(GTK_BOX(layout_), barFind, FALSE, FALSE, 0);
    gtk_widget_show_all(layout_);
    CreateMenu();
    WebBrowser1ProgressChange(0, ProgressMaximum);  // the bar waits, hidden, for the first load
    // The site is the application: its page has the keys from the start, not the address box.
    gtk_widget_grab_focus(GTK_WIDGET(WebBrowser1));
    CreateActions();
    ConnectWebView();
}

WebKitWebView* TBrowserFrame::CreateWebView() { return WEBKIT_WEB_VIEW(webkit_web_view_new()); }

GtkWidget* TBrowserFrame::CreateCoolBar() {
    tlbMenu = gtk_toolbar_new();
    gtk_toolbar_set_icon_size(GTK_TOOLBAR(tlbMenu), GTK_ICON_SIZE_LARGE_TOOLBAR);
    gtk_toolbar_set_show_arrow(GTK_TOOLBAR(tlbMenu), FALSE);
    GtkToolItem* menuButton = gtk_tool_button_new(gtk_image_new_from_icon_name("open-menu-symbolic",
                                                                               GTK_ICON_SIZE_LARGE_TOOLBAR), nullptr);
    gtk_tool_item_set_tooltip_text(menuButton, "Click here to open menu (Alt+M)");
    gtk_toolbar_insert(GTK_TOOLBAR(tlbMenu), menuButton, -1);
    btnMenu = GTK_WIDGET(menuButton);
    Connect(btnMenu, "clicked", G_CALLBACK(TFrameSignals::MenuClicked));

    tlbToolbar = gtk_toolbar_new();
    gtk_toolbar_set_style(GTK_TOOLBAR(tlbToolbar), GTK_TOOLBAR_BOTH);
    gtk_toolbar_set_icon_size(GTK_TOOLBAR(tlbToolbar), GTK_ICON_SIZE_LARGE_TOOLBAR);
    // A narrow pop-up keeps its page area: the buttons that do not fit go behind an arrow.
    gtk_toolbar_set_show_arrow(GTK_TOOLBAR(tlbToolbar), TRUE);
    btnBack = CreateToolButton("go-previous-symbolic", "Back", "Go back one page (Alt+Left Arrow)",
                               G_CALLBACK(TFrameSignals::BackClicked));
    btnForward = CreateToolButton("go-next-symbolic", "Forward", "Go forward one page (Alt+Right Arrow)",
                                  G_CALLBACK(TFrameSignals::ForwardClicked));
    btnRefresh = CreateToolButton("view-refresh-symbolic", "Refresh", "Reload current page (F5)",
                                  G_CALLBACK(TFrameSignals::RefreshClicked));
    btnStop = CreateToolButton("process-stop-symbolic", "Stop", "Stop loading this page (Esc)",
                               G_CALLBACK(TFrameSignals::StopClicked));
    btnHome = CreateToolButton("go-home-symbolic", "Home", nullptr, G_CALLBACK(TFrameSignals::HomeClicked));
    if (design_.CustomizeButton) {
        sepBrand = GTK_WIDGET(gtk_separator_tool_item_new());
        gtk_toolbar_insert(GTK_TOOLBAR(tlbToolbar), GTK_TOOL_ITEM(sepBrand), -1);
        btnBrand = CreateToolButton("preferences-desktop-appearance-symbolic", "Customize",
                                    "Click here to open the Customize Window", G_CALLBACK(TFrameSignals::BrandClicked));
    }

    btnGo = gtk_button_new_with_label("Go");
    gtk_button_set_image(GTK_BUTTON(btnGo), gtk_image_new_from_icon_name("go-jump-symbolic", GTK_ICON_SIZE_BUTTON));
    gtk_button_set_always_show_image(GTK_BUTTON(btnGo), TRUE);
    gtk_widget_set_tooltip_text(btnGo, "Go to the address in the Location Bar");
    gtk_widget_set_valign(btnGo, GTK_ALIGN_CENTER);
    Connect(btnGo, "clicked", G_CALLBACK(TFrameSignals::GoClicked));

    pnlToolbar = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, RowSpacing);
    gtk_widget_set_margin_end(pnlToolbar, RowSpacing);
    gtk_box_pack_start(GTK_BOX(pnlToolbar), tlbMenu, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(pnlToolbar), tlbToolbar, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(pnlToolbar), CreateAddressBox(), TRUE, TRUE, 0);
    gtk_box_pack_start(GTK_BOX(pnlToolbar), btnGo, FALSE, FALSE, 0);

    GtkWidget* coolBar = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    gtk_box_pack_start(GTK_BOX(coolBar), pnlToolbar, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(coolBar), gtk_separator_new(GTK_ORIENTATION_HORIZONTAL), FALSE, FALSE, 0);
    return coolBar;
}

GtkWidget* TBrowserFrame::CreateToolButton(const char* icon, const char* caption, const char* hint,
                                           GCallback clicked) {
    GtkToolItem* button = gtk_tool_button_new(gtk_image_new_from_icon_name(icon, GTK_ICON_SIZE_LARGE_TOOLBAR), caption);
    if (hint) gtk_tool_item_set_tooltip_text(button, hint);
    gtk_toolbar_insert(GTK_TOOLBAR(tlbToolbar), button, -1);
    Connect(button, "clicked", clicked);
    return GTK_WIDGET(button);
}

GtkWidget* TBrowserFrame::CreateAddressBox() {
    cboAddress = gtk_combo_box_text_new_with_entry();
    gtk_widget_set_valign(cboAddress, GTK_ALIGN_CENTER);
    GtkEntry* entry = GTK_ENTRY(gtk_bin_get_child(GTK_BIN(cboAddress)));
    gtk_entry_set_width_chars(entry, 12);  // in a narrow pop-up the buttons come first
    gtk_entry_set_icon_from_icon_name(entry, GTK_ENTRY_ICON_PRIMARY, "text-html");
    Connect(entry, "key-press-event", G_CALLBACK(TFrameSignals::AddressKeyPress));
    Connect(cboAddress, "changed", G_CALLBACK(TFrameSignals::AddressChanged));
    Connect(cboAddress, "scroll-event", G_CALLBACK(TFrameSignals::AddressScroll));
    return cboAddress;
}

GtkWidget* TBrowserFrame::CreateStatusBar() {
    lblStatusText = gtk_label_new(nullptr);
    gtk_label_set_xalign(GTK_LABEL(lblStatusText), 0);
    gtk_label_set_ellipsize(GTK_LABEL(lblStatusText), PANGO_ELLIPSIZE_END);
    gtk_label_set_single_line_mode(GTK_LABEL(lblStatusText), TRUE);
    gtk_widget_set_margin_start(lblStatusText, StatusTextMargin);

    ProgressBar1 = gtk_progress_bar_new();
    gtk_widget_set_valign(ProgressBar1, GTK_ALIGN_CENTER);
    gtk_widget_set_no_show_all(ProgressBar1, TRUE);  // shown only while a page loads
    pnlProgress = gtk_frame_new(nullptr);
    gtk_widget_set_size_request(pnlProgress, ProgressPanelWidth, -1);
    gtk_container_add(GTK_CONTAINER(pnlProgress), ProgressBar1);

    GtkWidget* panels = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, StatusBarPadding);
    gtk_container_set_border_width(GTK_CONTAINER(panels), StatusBarPadding);
    gtk_box_pack_start(GTK_BOX(panels), lblStatusText, TRUE, TRUE, 0);
    gtk_box_pack_start(GTK_BOX(panels), pnlProgress, FALSE, FALSE, 0);
    GtkWidget* lastPanel = gtk_frame_new(nullptr);
    gtk_widget_set_size_request(lastPanel, design_.StatusPanel2Width, -1);
    gtk_box_pack_start(GTK_BOX(panels), lastPanel, FALSE, FALSE, 0);

    // As on Windows the panels are cut off in a narrow window, never widening it.
    GtkWidget* clip = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(clip), GTK_POLICY_EXTERNAL, GTK_POLICY_NEVER);
    gtk_scrolled_window_set_propagate_natural_width(GTK_SCROLLED_WINDOW(clip), TRUE);
    gtk_container_add(GTK_CONTAINER(clip), panels);

    GtkWidget* statusBar = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    gtk_box_pack_start(GTK_BOX(statusBar), gtk_separator_new(GTK_ORIENTATION_HORIZONTAL), FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(statusBar), clip, FALSE, FALSE, 0);
    return statusBar;
}

void TBrowserFrame::AddAction(TAction& action, const char* caption, TShortCut shortCut,
                              std::function<void()> execute, TKeyOrder order) {
    action.Caption = caption;
    action.ShortCut = shortCut;
    action.Order = order;
    action.Execute = std::move(execute);
    ActionList1.push_back(&action);
}

void TBrowserFrame::CreateActions() {
    const auto alt = GDK_MOD1_MASK, ctrl = GDK_CONTROL_MASK, none = GdkModifierType(0);
    AddAction(actMenu, "Menu (Alt+M)", {GDK_KEY_m, alt}, [this] { actMenuExecute(); });
    AddAction(actBack, "Back (Alt+Left)", {GDK_KEY_Left, alt}, [this] { btnBackClick(); });
    AddAction(actBack2, "Back (BkSp)", {GDK_KEY_BackSpace, none}, [this] { btnBackClick(); }, TKeyOrder::AfterFocus);
    AddAction(actForward, "Forward (Alt+Right)", {GDK_KEY_Right, alt}, [this] { btnForwardClick(); });
    AddAction(actForward2, "Forward (Shift+BkSp)", {GDK_KEY_BackSpace, GDK_SHIFT_MASK}, [this] { btnForwardClick(); },
              TKeyOrder::AfterFocus);
    AddAction(actRefresh, "Refresh (F5)", {GDK_KEY_F5, none}, [this] { btnRefreshClick(); });
    AddAction(actRefresh2, "Refresh (Ctrl+R)", {GDK_KEY_r, ctrl}, [this] { btnRefreshClick(); });
    AddAction(actRefresh3, "Refresh (Ctrl+F5)", {GDK_KEY_F5, ctrl}, [this] { btnRefreshClick(); });
    AddAction(actStop, "Stop (Esc)", {GDK_KEY_Escape, none}, [this] { btnStopClick(); }, TKeyOrder::AfterFocus);
    AddAction(actHome, "Home (Alt+Home)", {GDK_KEY_Home, alt}, [this] { btnHomeClick(); });
    AddAction(actPrint, "Print (Ctrl+P)", {GDK_KEY_p, ctrl}, [this] { mnuMenu_PrintClick(); });
    AddAction(actFind, "Find (Ctrl+F)", {GDK_KEY_f, ctrl}, [this] { mnuMenu_FindClick(); });
    actStop.Enabled = false;
}

void TBrowserFrame::ConnectWebView() {
    Connect(WebBrowser1, "load-changed", G_CALLBACK(TFrameSignals::LoadChanged));
    Connect(WebBrowser1, "notify::title", G_CALLBACK(TFrameSignals::TitleNotify));
    Connect(WebBrowser1, "notify::estimated-load-progress", G_CALLBACK(TFrameSignals::ProgressNotify));
    Connect(WebBrowser1, "notify::is-loading", G_CALLBACK(TFrameSignals::LoadingNotify));
    Connect(WebBrowser1, "mouse-target-changed", G_CALLBACK(TFrameSignals::MouseTargetChanged));
    Connect(WebBrowser1, "close", G_CALLBACK(TFrameSignals::Close));
    Connect(WebBrowser1, "create", G_CALLBACK(TFrameSignals::Create));
    Connect(WebBrowser1, "decide-policy", G_CALLBACK(TFrameSignals::DecidePolicy));
    Connect(WebBrowser1, "enter-fullscreen", G_CALLBACK(TFrameSignals::EnterFullScreen));
    Connect(WebBrowser1, "leave-fullscreen", G_CALLBACK(TFrameSignals::LeaveFullScreen));
    // Pages may open windows from script, as the Windows control lets them.
    g_object_set(webkit_web_view_get_settings(WebBrowser1), "javascript-can-open-windows-automatically", TRUE, nullptr);
    OfferDownloads(webkit_web_view_get_context(WebBrowser1));
    Connect(webkit_web_view_get_back_forward_list(WebBrowser1), "changed",
            G_CALLBACK(TFrameSignals::HistoryChanged));
    WebKitUserContentManager* content = webkit_web_view_get_user_content_manager(WebBrowser1);
    const std::string closeMessage = CloseMessageName();
    webkit_user_content_manager_register_script_message_handler(content, closeMessage.c_str());
    Connect(content, ("script-message-received::" + closeMessage).c_str(), G_CALLBACK(TFrameSignals::ScriptClose));
    WebKitUserScript* script = webkit_user_script_new(CloseScript(closeMessage).c_str(), WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                                                      WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
    webkit_user_content_manager_add_script(content, script);
    webkit_user_script_unref(script);
}

// ---- keys

bool TBrowserFrame::FormKeyDown(const GdkEventKey& key, TKeyOrder order) {
    const TShortCut pressed{gdk_keyval_to_lower(key.keyval), ShortCutModifiers(key.state)};
    for (TAction* action : ActionList1) {
        const TShortCut& shortCut = action->ShortCut;
        if (action->Order == order && shortCut.Key == pressed.Key && shortCut.Modifiers == pressed.Modifiers &&
            action->Enabled) {
            action->Execute();
            return true;
        }
    }
    return false;
}

bool TBrowserFrame::cboAddressKeyDown(guint key) {
    const TAddressKey move = key == GDK_KEY_Up || key == GDK_KEY_Left       ? TAddressKey::Previous
                             : key == GDK_KEY_Down || key == GDK_KEY_Right ? TAddressKey::Next
                                                                           : TAddressKey::Other;
    const int target = AddressKeyTarget(move, AddressIndex(), static_cast<int>(AddressHistory().size()));
    if (target >= 0) {
        SelectAddress(target);
        return true;
    }
    if (key == GDK_KEY_Return || key == GDK_KEY_KP_Enter) {
        NavigateTo(AddressText());
        return true;
    }
    return false;
}

// ---- browsing

void TBrowserFrame::NavigateTo(const std::string& url) {
    const std::string address = NavigableAddress(Trim(url));
    if (!address.empty()) webkit_web_view_load_uri(WebBrowser1, address.c_str());
}

void TBrowserFrame::btnGoClick() { NavigateTo(AddressText()); }
void TBrowserFrame::cboAddressClick() { NavigateTo(AddressText()); }
void TBrowserFrame::btnBackClick() { webkit_web_view_go_back(WebBrowser1); }
void TBrowserFrame::btnForwardClick() { webkit_web_view_go_forward(WebBrowser1); }
void TBrowserFrame::btnStopClick() { webkit_web_view_stop_loading(WebBrowser1); }
void TBrowserFrame::btnRefreshClick() { webkit_web_view_reload(WebBrowser1); }

void TBrowserFrame::btnHomeClick() {
    SetAddressText(HomePage());
    NavigateTo(AddressText());
}

void TBrowserFrame::cboAddressChange() {
    if (AddressText().empty()) SelectAddress(-1);
}

// ---- the web view's events

void TBrowserFrame::WebBrowser1StatusTextChange(const std::string& text) {
    gtk_label_set_text(GTK_LABEL(lblStatusText), text.c_str());
}

void TBrowserFrame::WebBrowser1ProgressChange(int progress, int maximum) {
    const bool loading = progress > 0;
    gtk_frame_set_shadow_type(GTK_FRAME(pnlProgress), loading ? GTK_SHADOW_NONE : GTK_SHADOW_IN);
    gtk_widget_set_visible(ProgressBar1, loading);
    if (loading && maximum > 0)
        gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(ProgressBar1), std::min(1.0, double(progress) / maximum));
}

void TBrowserFrame::WebBrowser1CommandStateChange(int command, bool enable) {
    if (command == navForward) gtk_widget_set_sensitive(btnForward, enable);
    if (command == navBack) gtk_widget_set_sensitive(btnBack, enable);
}

void TBrowserFrame::WebBrowser1DownloadBegin() { actStop.Enabled = true; }
void TBrowserFrame::WebBrowser1DownloadComplete() { actStop.Enabled = false; }

void TBrowserFrame::WebBrowser1TitleChange(const std::string& text) {
    SetCaption(FormatCaption(text, ProductTitle));
    const char* location = webkit_web_view_get_uri(WebBrowser1);
    const std::string url = Trim(location ? location : "");
    if (url.empty()) return;
    const THistoryUpdate update = PlanHistoryUpdate(AddressHistory(), url);
    selectingAddress_ = true;
    if (update.insert) gtk_combo_box_text_prepend_text(GTK_COMBO_BOX_TEXT(cboAddress), url.c_str());
    if (update.dropLast)
        gtk_combo_box_text_remove(GTK_COMBO_BOX_TEXT(cboAddress), static_cast<int>(AddressHistory().size()) - 1);
    selectingAddress_ = false;
    SelectAddress(update.select);
}

// The Windows control reports a page without a title by its address, once the
// page is there; WebKit reports an empty title then, and the real one later.
void TBrowserFrame::WebViewLoadChanged(WebKitLoadEvent event) {
    if (event == WEBKIT_LOAD_COMMITTED) {
        WebViewHistoryChanged();
        const char* title = webkit_web_view_get_title(WebBrowser1);
        const char* uri = webkit_web_view_get_uri(WebBrowser1);
        WebBrowser1TitleChange(title && *title ? title : uri ? uri : "");
    }
    if (event == WEBKIT_LOAD_FINISHED) WebBrowser1DocumentComplete();
}

void TBrowserFrame::WebViewTitleNotify() {
    const char* title = webkit_web_view_get_title(WebBrowser1);
    if (title && *title) WebBrowser1TitleChange(title);
}

void TBrowserFrame::WebViewProgressNotify() {
    if (!webkit_web_view_is_loading(WebBrowser1)) return;
    const double fraction = webkit_web_view_get_estimated_load_progress(WebBrowser1);
    WebBrowser1ProgressChange(std::max(1, static_cast<int>(std::lround(fraction * ProgressMaximum))), ProgressMaximum);
}

// As the Windows control ends a load: progress -1, then the download is complete.
void TBrowserFrame::WebViewLoadingNotify() {
    if (webkit_web_view_is_loading(WebBrowser1)) {
        WebBrowser1DownloadBegin();
        return;
    }
    WebBrowser1ProgressChange(-1, ProgressMaximum);
    WebBrowser1DownloadComplete();
}

void TBrowserFrame::WebViewScriptClose() {
    webkit_web_view_evaluate_javascript(WebBrowser1, ClosingQuestion, -1, nullptr, nullptr, pending_.Get(),
                                        TFrameSignals::ClosingAnswered, this);
}

void TBrowserFrame::WebViewHistoryChanged() {
    WebBrowser1CommandStateChange(navForward, webkit_web_view_can_go_forward(WebBrowser1));
    WebBrowser1CommandStateChange(navBack, webkit_web_view_can_go_back(WebBrowser1));
}

void TBrowserFrame::WebViewMouseTargetChanged(WebKitHitTestResult* hit) {
    const char* link = webkit_hit_test_result_context_is_link(hit) ? webkit_hit_test_result_get_link_uri(hit) : nullptr;
    WebBrowser1StatusTextChange(link ? link : "");
}

// ---- set-up

void TBrowserFrame::SetCaption(const std::string& title) { gtk_window_set_title(Handle(), title.c_str()); }

void TBrowserFrame::SetHomeHint(const std::string& hint) { gtk_widget_set_tooltip_text(btnHome, hint.c_str()); }

void TBrowserFrame::SetBarsVisible(bool coolBar, bool statusBar) {
    gtk_widget_set_visible(CoolBar1, coolBar);
    gtk_widget_set_visible(StatusBar1, statusBar);
}

void TBrowserFrame::SetAddressText(const std::string& text) {
    gtk_entry_set_text(GTK_ENTRY(gtk_bin_get_child(GTK_BIN(cboAddress))), text.c_str());
}

void TBrowserFrame::SetCustomizeButtonVisible(bool visible) {
    if (sepBrand) gtk_widget_set_visible(sepBrand, visible);
    if (btnBrand) gtk_widget_set_visible(btnBrand, visible);
}

// ---- state

void TBrowserFrame::SelectAddress(int index) {
    selectingAddress_ = true;
    gtk_combo_box_set_active(GTK_COMBO_BOX(cboAddress), index);
    selectingAddress_ = false;
}

std::vector<std::string> TBrowserFrame::AddressHistory() const {
    std::vector<std::string> entries;
    GtkTreeModel* model = gtk_combo_box_get_model(GTK_COMBO_BOX(cboAddress));
    const int column = gtk_combo_box_get_entry_text_column(GTK_COMBO_BOX(cboAddress));
    GtkTreeIter row;
    for (gboolean more = gtk_tree_model_get_iter_first(model, &row); more; more = gtk_tree_model_iter_next(model, &row)) {
        gchar* text = nullptr;
        gtk_tree_model_get(model, &row, column, &text, -1);
        const GCharPtr owned(text);
        entries.emplace_back(text ? text : "");
    }
    return entries;
}

int TBrowserFrame::AddressIndex() const { return gtk_combo_box_get_active(GTK_COMBO_BOX(cboAddress)); }

std::string TBrowserFrame::AddressText() const {
    return gtk_entry_get_text(GTK_ENTRY(gtk_bin_get_child(GTK_BIN(cboAddress))));
}

std::string TBrowserFrame::Caption() const {
    const char* title = gtk_window_get_title(Handle());
    return title ? title : "";
}

std::string TBrowserFrame::StatusText() const { return gtk_label_get_text(GTK_LABEL(lblStatusText)); }

std::string TBrowserFrame::ButtonHint(GtkWidget* button) const {
    const GCharPtr hint(gtk_widget_get_tooltip_text(button));
    return hint ? hint.get() : "";
}

// ---- the menu

GtkWidget* TBrowserFrame::CreateFindBar() {
    edtFind = gtk_search_entry_new();
    gtk_entry_set_width_chars(GTK_ENTRY(edtFind), 16);  // small pop-ups keep their width
    Connect(edtFind, "search-changed", G_CALLBACK(TFrameSignals::FindChanged));
    Connect(edtFind, "activate", G_CALLBACK(TFrameSignals::FindEnter));
    Connect(edtFind, "stop-search", G_CALLBACK(TFrameSignals::FindStop));
    GtkWidget* bar = gtk_search_bar_new();
    gtk_container_add(GTK_CONTAINER(bar), edtFind);
    gtk_search_bar_connect_entry(GTK_SEARCH_BAR(bar), GTK_ENTRY(edtFind));
    gtk_search_bar_set_show_close_button(GTK_SEARCH_BAR(bar), TRUE);
    return bar;
}

GtkWidget* TBrowserFrame::AttachMenuItem(const char* caption, int column, int row, GCallback activate) {
    GtkWidget* item = caption ? gtk_menu_item_new_with_mnemonic(caption) : MenuSeparator();
    gtk_menu_attach(GTK_MENU(mnuMenu), item, column, column + 1, row, row + 1);
    if (activate) Connect(item, "activate", activate);
    gtk_widget_show(item);
    return item;
}

// The commands in the first column; Organize Favorites heads the second, the
// Favorites items follow it there.
void TBrowserFrame::CreateMenu() {
    mnuMenu = gtk_menu_new();
    gtk_menu_attach_to_widget(GTK_MENU(mnuMenu), btnMenu, nullptr);
    int row = 0;
    mnuMenu_SaveAs = AttachMenuItem("Save _As...", CommandColumn, row++, G_CALLBACK(TFrameSignals::SaveAsClicked));
    AttachMenuItem(nullptr, CommandColumn, row++, nullptr);
    mnuMenu_PageSetup =
        AttachMenuItem("Page Set_up...", CommandColumn, row++, G_CALLBACK(TFrameSignals::PageSetupClicked));
    mnuMenu_Print = AttachMenuItem("_Print...", CommandColumn, row++, G_CALLBACK(TFrameSignals::PrintClicked));
    gtk_accel_label_set_accel(GTK_ACCEL_LABEL(gtk_bin_get_child(GTK_BIN(mnuMenu_Print))), GDK_KEY_p, GDK_CONTROL_MASK);
    AttachMenuItem(nullptr, CommandColumn, row++, nullptr);
    mnuMenu_Find = AttachMenuItem("_Find (on This Page)...", CommandColumn, row++, G_CALLBACK(TFrameSignals::FindClicked));
    gtk_accel_label_set_accel(GTK_ACCEL_LABEL(gtk_bin_get_child(GTK_BIN(mnuMenu_Find))), GDK_KEY_f, GDK_CONTROL_MASK);
    AttachMenuItem(nullptr, CommandColumn, row++, nullptr);
    mnuMenu_Source = AttachMenuItem("Sour_ce", CommandColumn, row++, G_CALLBACK(TFrameSignals::SourceClicked));
    mnuMenu_OrganizeFavorites =
        AttachMenuItem("Organize Favorites...", FavoritesColumn, 0, G_CALLBACK(TFrameSignals::OrganizeFavoritesClicked));
    // The default item, drawn bold as on Windows.
    GtkWidget* label = gtk_bin_get_child(GTK_BIN(mnuMenu_OrganizeFavorites));
    gtk_label_set_markup(GTK_LABEL(label), "<b>Organize Favorites...</b>");
    favoritesRow_ = 1;
}

std::string TBrowserFrame::BuildFavoritesMenu() {
    const std::string path = FavoritesIniPath(LinuxFiles::DirectoryOf(LinuxFiles::ExeFileName()));
    if (!LinuxFiles::FileExists(path)) return {};
    for (const TFavoriteItem& favorite : ReadFavoritesMenu(path)) {
        if (favorite.kind == TFavoriteKind::Separator) {
            AttachMenuItem(nullptr, FavoritesColumn, favoritesRow_++, nullptr);
            continue;
        }
        GtkWidget* item = gtk_menu_item_new_with_label(favorite.caption.c_str());
        gtk_menu_attach(GTK_MENU(mnuMenu), item, FavoritesColumn, FavoritesColumn + 1, favoritesRow_, favoritesRow_ + 1);
        ++favoritesRow_;
        g_object_set_data_full(G_OBJECT(item), FavoriteCaptionKey, g_strdup(favorite.caption.c_str()), g_free);
        Connect(item, "activate",
                favorite.kind == TFavoriteKind::Folder ? G_CALLBACK(TFrameSignals::FolderClicked)
                                                       : G_CALLBACK(TFrameSignals::PageClicked));
        gtk_widget_show(item);
    }
    return path;
}

std::vector<std::string> TBrowserFrame::MenuCaptions() const {
    std::vector<std::string> captions;
    GList* items = gtk_container_get_children(GTK_CONTAINER(mnuMenu));
    for (GList* item = items; item; item = item->next) {
        GtkWidget* label = gtk_bin_get_child(GTK_BIN(item->data));
        captions.emplace_back(label && GTK_IS_LABEL(label) ? gtk_label_get_text(GTK_LABEL(label)) : "-");
    }
    g_list_free(items);
    return captions;
}

// Only with the bar there: the menu drops from its button, as a click would drop it.
void TBrowserFrame::actMenuExecute() {
    if (gtk_widget_get_visible(CoolBar1)) btnMenuClick();
}

void TBrowserFrame::btnMenuClick() {
    gtk_menu_popup_at_widget(GTK_MENU(mnuMenu), btnMenu, GDK_GRAVITY_SOUTH_WEST, GDK_GRAVITY_NORTH_WEST, nullptr);
}

// ---- the page's commands: WebKit's own where it has them

void TBrowserFrame::mnuMenu_SaveAsClick() {
    if (!webkit_web_view_get_main_resource(WebBrowser1)) return;
    GObjectPtr<WebKitWebView> view = GObjectPtr<WebKitWebView>::RefSink(WebBrowser1);
    auto held = std::make_shared<GObjectPtr<WebKitWebView>>(std::move(view));
    ChooseSaveFile(Handle(), PageFileName(webkit_web_view_get_title(WebBrowser1)),
                   [held](const std::optional<std::string>& path) {
                       if (!path) return;
                       const std::string file = *path;
                       WithPageData(held->Get(), [file](GBytes* bytes) {
                           gsize size = 0;
                           const char* data = static_cast<const char*>(g_bytes_get_data(bytes, &size));
                           LinuxFiles::WriteFileReplacing(file, std::string(data ? data : "", size), 0644);
                       });
                   });
}

template <class TRun>
void TBrowserFrame::RunModal(TRun run) {
    ++modalLoops_;
    run();
    if (--modalLoops_ == 0) ModalLoopEnded();
}

void TBrowserFrame::mnuMenu_PageSetupClick() {
    RunModal([&] {
        pageSetup_ = GObjectPtr<GtkPageSetup>::Adopt(
            gtk_print_run_page_setup_dialog(Handle(), pageSetup_.Get(), printSettings_.Get()));
    });
}

void TBrowserFrame::mnuMenu_PrintClick() {
    auto print = GObjectPtr<WebKitPrintOperation>::Adopt(webkit_print_operation_new(WebBrowser1));
    if (pageSetup_) webkit_print_operation_set_page_setup(print.Get(), pageSetup_.Get());
    if (printSettings_) webkit_print_operation_set_print_settings(print.Get(), printSettings_.Get());
    RunModal([&] {
        if (webkit_print_operation_run_dialog(print.Get(), Handle()) == WEBKIT_PRINT_OPERATION_RESPONSE_PRINT)
            printSettings_ =
                GObjectPtr<GtkPrintSettings>::RefSink(webkit_print_operation_get_print_settings(print.Get()));
    });
}

// The find bar below the page: it searches as one types, Enter finds the next.
void TBrowserFrame::mnuMenu_FindClick() {
    if (!webkit_web_view_get_uri(WebBrowser1)) return;
    gtk_search_bar_set_search_mode(GTK_SEARCH_BAR(barFind), TRUE);
    gtk_widget_grab_focus(edtFind);
}

void TBrowserFrame::edtFindChange() {
    const std::string text = gtk_entry_get_text(GTK_ENTRY(edtFind));
    WebKitFindController* find = webkit_web_view_get_find_controller(WebBrowser1);
    if (text.empty()) {
        webkit_find_controller_search_finish(find);
        return;
    }
    webkit_find_controller_search(find, text.c_str(),
                                  WEBKIT_FIND_OPTIONS_CASE_INSENSITIVE | WEBKIT_FIND_OPTIONS_WRAP_AROUND, G_MAXUINT);
}

void TBrowserFrame::edtFindEnter() { webkit_find_controller_search_next(webkit_web_view_get_find_controller(WebBrowser1)); }

void TBrowserFrame::edtFindStop() {
    webkit_find_controller_search_finish(webkit_web_view_get_find_controller(WebBrowser1));
    gtk_search_bar_set_search_mode(GTK_SEARCH_BAR(barFind), FALSE);
    gtk_widget_grab_focus(GTK_WIDGET(WebBrowser1));
}

// The page's source in a window of its own, as plain text.
void TBrowserFrame::mnuMenu_SourceClick() {
    const char* uri = webkit_web_view_get_uri(WebBrowser1);
    if (!uri) return;
    auto opener = std::make_shared<GObjectPtr<WebKitWebView>>(GObjectPtr<WebKitWebView>::RefSink(WebBrowser1));
    const std::string address = uri, home = HomePage();
    WithPageData(WebBrowser1, [opener, address, home](GBytes* bytes) {
        TfrmBrowser::OpenText(opener->Get(), home, bytes, address);
    });
}

void TBrowserFrame::mnuMenu_OrganizeFavoritesClick() { OrganizeFavorites(); }

// ---- Favorites

void TBrowserFrame::DirMenuItemClick(const std::string& caption) {
    Guarded([&] {
        const auto value = ReadFavorite(FavoritesPath(), FavoriteFoldersSection, caption);
        if (value && !value->empty())
            OpenFavoriteFolder(FavoriteFolderPath(*value, LinuxFiles::DirectoryOf(LinuxFiles::ExeFileName())));
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
    Guarded([&] { EditFavorites(FavoritesPath()); });
}

// ---- pop-ups, downloads, full screen

WebKitWebView* TBrowserFrame::WebBrowser1NewWindow2() {
    WebKitWebView* view = nullptr;
    Guarded([&] { view = TfrmBrowser::Open(WebBrowser1, HomePage(), FavoritesPath()).WebBrowser1; });
    return view;
}

// What the page cannot show is a download, offered with the Save dialog; an
// attachment is one whatever its type (WebKit's own rule).
bool TBrowserFrame::WebViewDecidePolicy(WebKitPolicyDecision* decision, WebKitPolicyDecisionType type) {
    if (type != WEBKIT_POLICY_DECISION_TYPE_RESPONSE) return false;
    auto* response = WEBKIT_RESPONSE_POLICY_DECISION(decision);
    if (!webkit_response_policy_decision_is_main_frame_main_resource(response) ||
        webkit_response_policy_decision_is_mime_type_supported(response))
        return false;
    webkit_policy_decision_download(decision);
    return true;
}

void TBrowserFrame::WebBrowser1FullScreenChange(bool fullScreen) { SetWindowFullScreen(fullScreen); }

void TBrowserFrame::SetWindowFullScreen(bool fullScreen) {
    if (fullScreen == windowFullScreen_) return;
    windowFullScreen_ = fullScreen;
    TWindowPlace& before = placeBeforeFullScreen_;
    const bool managed = WindowManagerFullScreens(Handle());
    if (fullScreen) {
        gtk_window_get_position(Handle(), &before.left, &before.top);
        gtk_window_get_size(Handle(), &before.width, &before.height);
        before.coolBar = gtk_widget_get_visible(CoolBar1);
        before.statusBar = gtk_widget_get_visible(StatusBar1);
        TBrowserFrame::SetBarsVisible(false, false);
        gtk_window_fullscreen(Handle());
        if (managed) return;
        GdkDisplay* display = gtk_widget_get_display(GTK_WIDGET(Handle()));
        GdkMonitor* monitor = gdk_display_get_monitor_at_window(display, gtk_widget_get_window(GTK_WIDGET(Handle())));
        GdkRectangle area{0, 0, 0, 0};
        if (monitor) gdk_monitor_get_geometry(monitor, &area);
        gtk_window_move(Handle(), area.x, area.y);
        gtk_window_resize(Handle(), area.width, area.height);
        return;
    }
    gtk_window_unfullscreen(Handle());
    TBrowserFrame::SetBarsVisible(before.coolBar, before.statusBar);
    if (managed) return;
    gtk_window_move(Handle(), before.left, before.top);
    gtk_window_resize(Handle(), before.width, before.height);
}
