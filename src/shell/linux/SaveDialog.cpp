#include "shell/linux/SaveDialog.h"

#include "shell/linux/MessageDialog.h"
#include "util/linux/GObjectPtr.h"

namespace {

const char SaveCaption[] = "Save As";
const char OfferedMark[] = "vadrome-offers-downloads";

std::string StartFolder() {
    const char* downloads = g_get_user_special_dir(G_USER_DIRECTORY_DOWNLOAD);
    return downloads ? downloads : g_get_home_dir();
}

struct TSaveRequest {
    TSaveChosen done;
};

void SaveDialogResponse(GtkDialog* dialog, gint response, gpointer data) {
    auto* request = static_cast<TSaveRequest*>(data);
    std::optional<std::string> path;
    if (response == GTK_RESPONSE_ACCEPT) {
        const GCharPtr file(gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog)));
        if (file) path = file.get();
    }
    TSaveChosen done = std::move(request->done);
    gtk_widget_destroy(GTK_WIDGET(dialog));  // frees the request
    AtCallbackEdge(nullptr, [&] { done(path); });
}

GtkWindow* OwnerOf(WebKitDownload* download) {
    WebKitWebView* view = webkit_download_get_web_view(download);
    GtkWidget* top = view ? gtk_widget_get_toplevel(GTK_WIDGET(view)) : nullptr;
    return top && GTK_IS_WINDOW(top) ? GTK_WINDOW(top) : nullptr;
}

// Asked later, so the download waits until the user has chosen.
gboolean DecideDestination(WebKitDownload* download, gchar* suggestedName, gpointer) {
    auto held = std::make_shared<GObjectPtr<WebKitDownload>>(GObjectPtr<WebKitDownload>::RefSink(download));
    ChooseSaveFile(OwnerOf(download), suggestedName ? suggestedName : "", [held](const std::optional<std::string>& path) {
        WebKitDownload* download = held->Get();
        if (!path) {
            webkit_download_cancel(download);
            return;
        }
        webkit_download_set_allow_overwrite(download, TRUE);  // the dialog has asked already
        const GCharPtr uri(g_filename_to_uri(path->c_str(), nullptr, nullptr));
        if (uri) webkit_download_set_destination(download, uri.get());
        else webkit_download_cancel(download);
    });
    return TRUE;
}

void DownloadStarted(WebKitWebContext*, WebKitDownload* download, gpointer) {
    g_signal_connect(download, "decide-destination", G_CALLBACK(DecideDestination), nullptr);
}

}  // namespace

void ChooseSaveFile(GtkWindow* owner, const std::string& suggestedName, TSaveChosen done) {
    GtkWidget* dialog = gtk_file_chooser_dialog_new(SaveCaption, owner, GTK_FILE_CHOOSER_ACTION_SAVE, "_Cancel",
                                                    GTK_RESPONSE_CANCEL, "_Save", GTK_RESPONSE_ACCEPT, nullptr);
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    gtk_file_chooser_set_do_overwrite_confirmation(chooser, TRUE);
    gtk_file_chooser_set_current_folder(chooser, StartFolder().c_str());
    gtk_file_chooser_set_current_name(chooser, suggestedName.c_str());
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
    gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
    g_signal_connect_data(dialog, "response", G_CALLBACK(SaveDialogResponse), new TSaveRequest{std::move(done)},
                          [](gpointer data, GClosure*) { delete static_cast<TSaveRequest*>(data); }, GConnectFlags(0));
    gtk_window_present(GTK_WINDOW(dialog));
}

void OfferDownloads(WebKitWebContext* context) {
    if (g_object_get_data(G_OBJECT(context), OfferedMark)) return;
    g_object_set_data(G_OBJECT(context), OfferedMark, GINT_TO_POINTER(1));
    g_signal_connect(context, "download-started", G_CALLBACK(DownloadStarted), nullptr);
}
