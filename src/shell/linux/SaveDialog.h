// Where to save a file: the GTK Save dialog, asked without blocking the
// window, for the downloads a site sends and for Save As.
#pragma once
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <functional>
#include <optional>
#include <string>

// The chosen path, or nothing when the user cancels; done runs once either way.
using TSaveChosen = std::function<void(const std::optional<std::string>& path)>;
void ChooseSaveFile(GtkWindow* owner, const std::string& suggestedName, TSaveChosen done);

// Every download of the context is offered with the Save dialog, owned by the
// window of the page that started it; a cancelled dialog cancels it. Once per context.
void OfferDownloads(WebKitWebContext* context);
