// Base of every window of ours: one trampoline routes messages to the object.
#pragma once
#include <windows.h>

#include <optional>
#include <string>

#include "shell/DialogRules.h"

class TWindow {
public:
    TWindow() = default;
    TWindow(const TWindow&) = delete;
    TWindow& operator=(const TWindow&) = delete;
    virtual ~TWindow();

    HWND Handle() const { return handle_; }

protected:
    // Registers the class once per process (same name, same procedure).
    static void RegisterWindowClass(const wchar_t* className, UINT style = CS_DBLCLKS,
                                    HICON icon = nullptr, HBRUSH background = nullptr);
    // Creates the window with this object as its handler; throws on failure.
    void CreateHandle(const wchar_t* className, const std::string& caption, DWORD style,
                      DWORD exStyle, int x, int y, int width, int height, HWND parent,
                      HMENU menu = nullptr);
    // Handlers; the default passes to DefWindowProc. Never let an exception out.
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam);
    // Called once the window is gone: the handle is already cleared.
    virtual void HandleDestroyed() {}

private:
    static LRESULT CALLBACK Trampoline(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    HWND handle_ = nullptr;
};

// An error escaping a window's handler: the application's default error box.
void ShowHandlerException(HWND owner, const std::exception& error);
void ShowHandlerException(HWND owner);

// The work area of the monitor nearest to the rectangle.
std::optional<TArea> WorkAreaNearest(const TArea& rectangle);
