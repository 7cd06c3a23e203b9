// The application object: its own hidden window (owner of the main form's
// taskbar presence), the process-wide title, and the message loop.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "server/Product.h"
#include "shell/Window.h"

// Sees every message the loop takes, before it is dispatched.
class TMessageHook {
public:
    virtual ~TMessageHook() = default;
    // True when the message was handled and must not be dispatched.
    virtual bool ApplicationMessage(MSG& message) = 0;
};

class TApplication : public TWindow {
public:
    static TApplication& Instance();

    void Initialize();  // creates the hidden window once
    void SetToolWindowStyle(bool toolWindow);
    int Run();          // until the main form closes
    void Terminate() { PostQuitMessage(0); }
    void AddMessageHook(TMessageHook& hook);
    void RemoveMessageHook(TMessageHook& hook);
    bool HookMessage(MSG& message);

    std::string Title = "Vadrome";

private:
    TApplication() = default;
    std::vector<TMessageHook*> hooks_;
};

std::string ApplicationTitle();
