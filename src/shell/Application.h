// The application object: its own hidden window (owner of the main form's
// taskbar presence), the process-wide title, the message loop, and the forms
// it owns besides the main form (the pop-ups).
#pragma once
#include <windows.h>

#include <memory>
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

    // A form the application owns until it is released or the process ends.
    TWindow& AdoptForm(std::unique_ptr<TWindow> form);
    // Frees the form once the message being handled is through, as a form
    // whose window is gone may still be on the stack.
    void ReleaseForm(TWindow& form);
    const std::vector<std::unique_ptr<TWindow>>& Forms() const { return forms_; }
    void FreeForms();

    std::string Title = "Vadrome";

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    TApplication() = default;
    void FreeForm(const TWindow* form);
    std::vector<TMessageHook*> hooks_;
    std::vector<std::unique_ptr<TWindow>> forms_;
};

std::string ApplicationTitle();
