// A plain container window; its controls' notifications go to the form.
#pragma once
#include <windows.h>

#include "shell/Window.h"

class TPanel : public TWindow {
public:
    TPanel(HWND parent, HWND notifyTarget);

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    HWND notifyTarget_;
};

// Hint windows belong to the desktop, not to one of our windows.
class THintWindowEx {
public:
    static HWND Create();
};
