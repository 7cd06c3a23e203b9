// The application object: its own hidden window (owner of the main form's
// taskbar presence), the process-wide title, and the message loop.
#pragma once
#include <windows.h>

#include <string>

#include "server/Product.h"
#include "shell/Window.h"

class TApplication : public TWindow {
public:
    static TApplication& Instance();

    void Initialize();  // creates the hidden window once
    void SetToolWindowStyle(bool toolWindow);
    int Run();          // until the main form closes
    void Terminate() { PostQuitMessage(0); }

    std::string Title = "Vadrome";

private:
    TApplication() = default;
};

std::string ApplicationTitle();
