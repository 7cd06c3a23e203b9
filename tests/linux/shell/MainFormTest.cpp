// The Linux main window driven for real under Xvfb: WebKit loads pages from a
// scheme of the test's own, keys arrive as the display's key events do.
#include <doctest/doctest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <thread>

#include "server/Product.h"
#include "server/ServerText.h"
#include "shell/linux/MainForm.h"
#include "shell/linux/MessageDialog.h"

extern char** environ;

namespace {

const int QuitExitCode = 42;

const std::map<std::string, std::string> Pages{
    {"/a", "<title>Page A</title><a href='vtest://site/b' style='display:block;height:400px'>to b</a>"},
    {"/b", "<title>Page B</title>b"},
    {"/untitled", "no title here"},
    {"/form", "<title>Form</title><input id='i' value='abc'>"},
    {"/close", "<title>Closing</title><script>setTimeout(() => window.close(), 200)</script>"},
};

void ServePage(WebKitURISchemeRequest* request, gpointer) {
    const std::string path = webkit_uri_scheme_request_get_path(request);
    const auto page = Pages.find(path);
    const std::string html = page != Pages.end() ? page->second : "<title>" + path.substr(1) + "</title>";
    auto stream = GObjectPtr<GInputStream>::Adopt(
        g_memory_input_stream_new_from_data(g_strdup(html.c_str()), static_cast<gssize>(html.size()), g_free));
    webkit_uri_scheme_request_finish(request, stream.Get(), static_cast<gint64>(html.size()), "text/html");
}

void RecordDialog(GtkWindow*, const std::string& text, const std::string&, GtkMessageType) {
    FAIL_CHECK("unexpected dialog: " << text);
}

class TTestMainForm : public TfrmMain {
public:
    TTestMainForm() : TfrmMain(TStartUp::Skip) {
        gtk_window_set_default_size(Handle(), 900, 600);
        Show();
        gtk_window_present(Handle());
    }

protected:
    [[noreturn]] void EndProcess() override { _exit(QuitExitCode); }
};

struct TDisplay {
    TDisplay() {
        static const bool ready = [] {
            if (!gtk_init_check(nullptr, nullptr)) return false;
            webkit_web_context_register_uri_scheme(webkit_web_context_get_default(), "vtest", ServePage, nullptr,
                                                   nullptr);
            SetMessageDialogFunction(RecordDialog);
            return true;
        }();
        REQUIRE(ready);
    }
};

// Runs the main loop until the condition holds; false when the generous bound passes first.
bool WaitFor(const std::function<bool()>& condition, int limitMs = 20000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

std::string Uri(TfrmMain& form) {
    const char* uri = webkit_web_view_get_uri(form.WebBrowser1);
    return uri ? uri : "";
}

// At the address, loaded, its history entry current.
bool Settled(TfrmMain& form, const std::string& url) {
    return WaitFor([&] { return Uri(form) == url && !webkit_web_view_is_loading(form.WebBrowser1); });
}

bool Load(TfrmMain& form, const std::string& url, const std::string& caption) {
    form.NavigateTo(url);
    return Settled(form, url) && WaitFor([&] { return form.Caption() == caption; });
}

// A key as the display delivers it: to the toplevel, which hands it on.
void PressKey(TfrmMain& form, guint keyval, guint modifiers = 0) {
    GdkEvent* event = gdk_event_new(GDK_KEY_PRESS);
    event->key.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(GTK_WIDGET(form.Handle()))));
    event->key.send_event = TRUE;
    event->key.time = GDK_CURRENT_TIME;
    event->key.keyval = keyval;
    event->key.state = modifiers;
    GdkKeymapKey* keys = nullptr;
    gint count = 0;
    if (gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(gdk_display_get_default()), keyval, &keys, &count) &&
        count > 0)
        event->key.hardware_keycode = static_cast<guint16>(keys[0].keycode);
    g_free(keys);
    gdk_event_set_device(event, gdk_seat_get_keyboard(gdk_display_get_default_seat(gdk_display_get_default())));
    gtk_main_do_event(event);
    gdk_event_free(event);
}

std::string RunScript(TfrmMain& form, const std::string& script) {
    struct TResult {
        bool done = false;
        std::string value;
    } result;
    webkit_web_view_evaluate_javascript(
        form.WebBrowser1, script.c_str(), -1, nullptr, nullptr, nullptr,
        [](GObject* view, GAsyncResult* async, gpointer data) {
            auto& result = *static_cast<TResult*>(data);
            auto value = GObjectPtr<JSCValue>::Adopt(
                webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(view), async, nullptr));
            const GCharPtr text(value ? jsc_value_to_string(value.Get()) : nullptr);
            result.value = text ? text.get() : "";
            result.done = true;
        },
        &result);
    WaitFor([&] { return result.done; });
    return result.value;
}

}  // namespace

TEST_CASE_FIXTURE(TDisplay, "browsing: caption, address history, Back and Forward, status text") {
    ProductTitle = "  Shop  ";
    TTestMainForm form;
    REQUIRE(Load(form, "vtest://site/a", "Page A - Shop"));
    CHECK(form.AddressHistory() == std::vector<std::string>{"vtest://site/a"});
    CHECK_FALSE(gtk_widget_get_sensitive(form.btnBack));

    // The pointer over the link shows its address; off the link, and off the page, it goes.
    int left = 0, top = 0;  // the page's corner on the screen
    gdk_window_get_origin(gtk_widget_get_window(GTK_WIDGET(form.WebBrowser1)), &left, &top);
    GdkDevice* pointer = gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default()));
    const auto pointAt = [&](int y) { gdk_device_warp(pointer, gdk_screen_get_default(), left + 40, top + y); };
    pointAt(100);
    CHECK(WaitFor([&] { return form.StatusText() == "vtest://site/b"; }));
    pointAt(500);
    CHECK(WaitFor([&] { return form.StatusText().empty(); }));
    pointAt(100);
    CHECK(WaitFor([&] { return form.StatusText() == "vtest://site/b"; }));
    pointAt(-20);  // the toolbar
    CHECK(WaitFor([&] { return form.StatusText().empty(); }));

    REQUIRE(Load(form, "vtest://site/b", "Page B - Shop"));
    CHECK(form.AddressHistory() == std::vector<std::string>{"vtest://site/b", "vtest://site/a"});
    CHECK(gtk_widget_get_sensitive(form.btnBack));
    CHECK_FALSE(gtk_widget_get_sensitive(form.btnForward));

    form.btnBackClick();
    REQUIRE(WaitFor([&] { return form.Caption() == "Page A - Shop"; }));
    CHECK(form.AddressHistory().size() == 2);  // a known address is selected where it is
    CHECK(form.AddressIndex() == 1);
    CHECK(form.AddressText() == "vtest://site/a");
    CHECK(WaitFor([&] { return gtk_widget_get_sensitive(form.btnForward); }));

    SUBCASE("a page without a title is captioned by its address") {
        REQUIRE(Load(form, "vtest://site/untitled", "vtest://site/untitled - Shop"));
        CHECK(form.AddressHistory().front() == "vtest://site/untitled");
    }
    SUBCASE("the box keeps the 24 newest addresses") {
        for (int i = 1; i <= 24; ++i) {
            const std::string name = "n" + std::to_string(i);
            REQUIRE(Load(form, "vtest://site/" + name, name + " - Shop"));
        }
        const auto history = form.AddressHistory();
        CHECK(history.size() == 24);
        CHECK(history.front() == "vtest://site/n24");
        CHECK(history.back() == "vtest://site/n1");
    }
    ProductTitle = BuiltInProductName;
}

TEST_CASE_FIXTURE(TDisplay, "keys: history shortcuts, the address box's arrows and Enter, Backspace in a text field") {
    TTestMainForm form;
    REQUIRE(Load(form, "vtest://site/a", "Page A - Vadrome"));
    REQUIRE(Load(form, "vtest://site/b", "Page B - Vadrome"));

    PressKey(form, GDK_KEY_Left, GDK_MOD1_MASK);
    CHECK(Settled(form, "vtest://site/a"));
    PressKey(form, GDK_KEY_Right, GDK_MOD1_MASK);
    CHECK(Settled(form, "vtest://site/b"));

    // Arrows walk the history in the box without loading; Enter loads.
    gtk_widget_grab_focus(gtk_bin_get_child(GTK_BIN(form.cboAddress)));
    PressKey(form, GDK_KEY_Down);
    CHECK(form.AddressText() == "vtest://site/a");
    PressKey(form, GDK_KEY_Down);  // the last entry: left to the editor
    CHECK(form.AddressIndex() == 1);
    gtk_editable_set_position(GTK_EDITABLE(gtk_bin_get_child(GTK_BIN(form.cboAddress))), -1);
    PressKey(form, GDK_KEY_BackSpace);  // the editor's, not Back
    CHECK(form.AddressText() == "vtest://site/");
    CHECK(Uri(form) == "vtest://site/b");
    form.SetAddressText("  vtest://site/form ");
    PressKey(form, GDK_KEY_Return);
    REQUIRE(Settled(form, "vtest://site/form"));

    // The page has the key first: in its text field Backspace deletes, elsewhere it goes back.
    gtk_widget_grab_focus(GTK_WIDGET(form.WebBrowser1));
    RunScript(form, "const i = document.getElementById('i'); i.focus(); i.setSelectionRange(3, 3)");
    PressKey(form, GDK_KEY_BackSpace);
    CHECK(WaitFor([&] { return RunScript(form, "document.getElementById('i').value") == "ab"; }));
    CHECK(Uri(form) == "vtest://site/form");
    RunScript(form, "document.activeElement.blur()");
    PressKey(form, GDK_KEY_BackSpace);
    CHECK(Settled(form, "vtest://site/b"));
}

// The runner's end is the process's end, so the window runs in a child: this
// same test program, told by the environment to be the child.
TEST_CASE_FIXTURE(TDisplay, "a page's window.close ends the runner through Quit") {
    if (std::getenv("VADROME_TEST_CLOSE_CHILD")) {
        TTestMainForm form;
        Load(form, "vtest://site/a", "Page A - Vadrome");  // not the first page: WebKit alone would refuse
        form.NavigateTo("vtest://site/close");
        WaitFor([] { return false; }, 30000);
        _exit(1);  // never closed
    }
    setenv("VADROME_TEST_CLOSE_CHILD", "1", 1);
    char program[] = "/proc/self/exe";
    char filter[] = "--test-case=*window.close*";
    char* arguments[] = {program, filter, nullptr};
    pid_t child = 0;
    REQUIRE(posix_spawn(&child, program, nullptr, nullptr, arguments, environ) == 0);
    unsetenv("VADROME_TEST_CLOSE_CHILD");
    int status = 0;
    REQUIRE(waitpid(child, &status, 0) == child);
    CHECK(WIFEXITED(status));
    CHECK(WEXITSTATUS(status) == QuitExitCode);
}
