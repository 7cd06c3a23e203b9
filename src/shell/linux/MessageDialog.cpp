#include "shell/linux/MessageDialog.h"

#include "server/Product.h"
#include "util/Errors.h"
#include "util/linux/GObjectPtr.h"

namespace {

const char* IconName(GtkMessageType type) {
    switch (type) {
    case GTK_MESSAGE_ERROR: return "dialog-error";
    case GTK_MESSAGE_WARNING: return "dialog-warning";
    case GTK_MESSAGE_QUESTION: return "dialog-question";
    default: return "dialog-information";
    }
}

// GTK 3 draws a message dialog without its type's icon; the image, though
// deprecated, is still the dialog's own place for one.
void SetIcon(GtkMessageDialog* dialog, GtkMessageType type) {
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    GtkWidget* image = gtk_image_new_from_icon_name(IconName(type), GTK_ICON_SIZE_DIALOG);
    gtk_widget_show(image);
    gtk_message_dialog_set_image(dialog, image);
    G_GNUC_END_IGNORE_DEPRECATIONS
}

void RunMessageDialog(GtkWindow* owner, const std::string& text, const std::string& caption, GtkMessageType type) {
    // The text goes in as it is: a path with a '%' or '<' must show unchanged.
    auto dialog = GObjectPtr<GtkWidget>::RefSink(gtk_message_dialog_new(
        owner, GtkDialogFlags(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT), type, GTK_BUTTONS_OK, "%s",
        text.c_str()));
    gtk_window_set_title(GTK_WINDOW(dialog.Get()), caption.c_str());
    SetIcon(GTK_MESSAGE_DIALOG(dialog.Get()), type);
    // Start-up failures come before any window of ours is on the screen.
    if (!owner) gtk_window_set_position(GTK_WINDOW(dialog.Get()), GTK_WIN_POS_CENTER);
    gtk_window_set_keep_above(GTK_WINDOW(dialog.Get()), owner == nullptr);
    gtk_dialog_run(GTK_DIALOG(dialog.Get()));
    gtk_widget_destroy(dialog.Get());
}

TMessageDialogFunction messageDialog = RunMessageDialog;

}  // namespace

void ShowMessageDialog(GtkWindow* owner, const std::string& text, const std::string& caption, GtkMessageType type) {
    messageDialog(owner, text, caption, type);
}

TMessageDialogFunction SetMessageDialogFunction(TMessageDialogFunction function) {
    const TMessageDialogFunction previous = messageDialog;
    messageDialog = function ? function : RunMessageDialog;
    return previous;
}

void ShowHandlerError(GtkWindow* owner, const std::exception& error) {
    ShowMessageDialog(owner, WithFinalPeriod(error.what()), ProductTitle);
}

void ShowHandlerError(GtkWindow* owner) { ShowMessageDialog(owner, "Unknown error.", ProductTitle); }

bool AskAreYouSure(GtkWindow* owner) {
    auto dialog = GObjectPtr<GtkWidget>::RefSink(gtk_message_dialog_new(
        owner, GtkDialogFlags(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT), GTK_MESSAGE_QUESTION, GTK_BUTTONS_YES_NO,
        "%s", "Are you sure you want to do this?"));
    gtk_window_set_title(GTK_WINDOW(dialog.Get()), "Confirm");
    SetIcon(GTK_MESSAGE_DIALOG(dialog.Get()), GTK_MESSAGE_QUESTION);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog.Get()), GTK_RESPONSE_YES);
    const int answer = gtk_dialog_run(GTK_DIALOG(dialog.Get()));
    gtk_widget_destroy(dialog.Get());
    return answer == GTK_RESPONSE_YES;
}
