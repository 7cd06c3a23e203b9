// Messages to the user: one modal GtkMessageDialog, reached through one
// replaceable function so tests never block on a dialog.
#pragma once
#include <gtk/gtk.h>

#include <exception>
#include <string>

using TMessageDialogFunction = void (*)(GtkWindow* owner, const std::string& text, const std::string& caption,
                                        GtkMessageType type);

// Modal, one OK button; without an owner it is a window of its own in the taskbar.
void ShowMessageDialog(GtkWindow* owner, const std::string& text, const std::string& caption,
                       GtkMessageType type = GTK_MESSAGE_ERROR);
// "Are you sure you want to do this?" with Yes and No; true for Yes.
bool AskAreYouSure(GtkWindow* owner);

// Returns the previous function; nullptr restores the real dialog.
TMessageDialogFunction SetMessageDialogFunction(TMessageDialogFunction function);

// An error that escaped a window's handler: its message with a final period,
// the product's title as caption, an error icon.
void ShowHandlerError(GtkWindow* owner, const std::exception& error);
void ShowHandlerError(GtkWindow* owner);

// Runs a handler at the edge of a GTK callback: nothing thrown gets past it.
template <class F>
void AtCallbackEdge(GtkWindow* owner, F&& handler) noexcept {
    try {
        handler();
    } catch (const std::exception& error) {
        ShowHandlerError(owner, error);
    } catch (...) {
        ShowHandlerError(owner);
    }
}
