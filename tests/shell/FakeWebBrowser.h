// A browser control that records what it is asked and loads nothing.
#pragma once
#include <string>
#include <vector>

#include "shell/WebBrowser.h"

class TFakeWebBrowser : public TWebBrowser {
public:
    explicit TFakeWebBrowser(HWND parent) {
        window_ = CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, parent, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    }
    ~TFakeWebBrowser() override { DestroyWindow(window_); }

    void Navigate(const std::string& url) override { Navigated.push_back(url); }
    void GoBack() override { ++Backs; }
    void GoForward() override { ++Forwards; }
    void Stop() override { ++Stops; }
    void ExecWB(int command) override { Commands.push_back(command); }
    bool TranslateAccelerator(const MSG& message) override {
        Offered.push_back(message.wParam);
        return false;
    }
    ComPtr<IDispatch> Document() override { return {}; }
    ComPtr<IDispatch> Dispatch() override { return {}; }
    std::string LocationURL() override { return Location; }
    bool Busy() override { return false; }
    int ReadyState() override { return ReadyStateComplete; }
    bool MenuBar() override { return true; }
    int ToolBar() override { return 1; }
    bool AddressBar() override { return true; }
    bool StatusBar() override { return true; }
    void SetSilent(bool silent) override { Silent = silent; }
    void SetRegisterAsBrowser(bool) override {}
    HWND Handle() override { return window_; }
    RECT BoundsRect() override { return bounds_; }
    void SetBounds(const RECT& bounds) override {
        bounds_ = bounds;
        MoveWindow(window_, bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, TRUE);
    }
    void SetVisible(bool visible) override { ShowWindow(window_, visible ? SW_SHOW : SW_HIDE); }

    std::vector<std::string> Navigated;
    std::vector<int> Commands;
    std::vector<WPARAM> Offered;
    int Backs = 0, Forwards = 0, Stops = 0;
    bool Silent = false;
    std::string Location;

private:
    HWND window_ = nullptr;
    RECT bounds_{};
};
