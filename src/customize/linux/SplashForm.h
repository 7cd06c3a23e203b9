// The splash process on Linux: the executable's RES_SPLASH image in an
// undecorated window kept above the others, centred on the primary screen,
// until the runner ends the process.
#pragma once
#include <gtk/gtk.h>

#include <string>

#include "util/Picture.h"
#include "util/linux/GObjectPtr.h"

class TfrmSplash {
public:
    TfrmSplash();
    TfrmSplash(const TfrmSplash&) = delete;
    TfrmSplash& operator=(const TfrmSplash&) = delete;
    ~TfrmSplash();

    GtkWindow* Handle() const { return GTK_WINDOW(window_.Get()); }
    GtkWidget* Image1 = nullptr;

    void Show();
    void FormShow();
    void Image1Click() {}  // a click on the splash does nothing

private:
    GObjectPtr<GtkWidget> window_;
    TSignalConnection click_;
};

// The pixels of a decoded picture, translucent parts on the given colour.
GObjectPtr<GdkPixbuf> PixbufOf(const TPicture& picture, std::uint8_t red, std::uint8_t green, std::uint8_t blue);

// "splash" mode: returns at once when the settings file turns the splash off;
// else shows it and never returns.
void RunSplashMode(const std::string& settingsPath);
