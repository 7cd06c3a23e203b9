// A browser control that records what it is asked and loads nothing. A page's
// request for its window is played through Ask and the bar fields, as the
// real control's host records it.
#pragma once
#include <string>
#include <vector>

#include "shell/WebBrowser.h"

// Stands for a control's IDispatch: counts its references, answers nothing.
class TFakeDispatch : public IDispatch {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** result) override {
        *result = iid == IID_IUnknown || iid == IID_IDispatch ? this : nullptr;
        if (!*result) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++References; }
    ULONG STDMETHODCALLTYPE Release() override { return --References; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }
    ULONG References = 0;
};

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
    ComPtr<IDispatch> Dispatch() override { return ComPtr<IDispatch>(&Control); }
    std::string LocationURL() override { return Location; }
    bool Busy() override { return false; }
    int ReadyState() override { return ReadyStateComplete; }
    bool MenuBar() override { return Asked.menuBar; }
    int ToolBar() override { return Asked.toolBar; }
    bool AddressBar() override { return Asked.addressBar; }
    bool StatusBar() override { return Asked.statusBar; }
    bool Resizable() override { return Asked.resizable; }
    void SetSilent(bool silent) override { Silent = silent; }
    void SetRegisterAsBrowser(bool on) override { RegisteredAsBrowser = on; }
    HWND Handle() override { return window_; }
    RECT BoundsRect() override { return ToRect(Asked.bounds); }
    void SetBounds(const RECT& bounds) override {
        placed_ = bounds;
        Asked.bounds = ToBox(bounds);
        MoveWindow(window_, bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, TRUE);
    }
    void SetVisible(bool visible) override { ShowWindow(window_, visible ? SW_SHOW : SW_HIDE); }

    // A page's window features: the sides given, then the bars.
    void Ask(std::initializer_list<std::pair<TRequestSide, int>> sides) {
        for (auto [side, value] : sides) Asked.bounds = ApplyWindowRequest(Asked.bounds, ToBox(placed_), side, value);
    }

    std::vector<std::string> Navigated;
    std::vector<int> Commands;
    std::vector<WPARAM> Offered;
    int Backs = 0, Forwards = 0, Stops = 0;
    bool Silent = false, RegisteredAsBrowser = false;
    std::string Location;
    TPopupRequest Asked;
    TFakeDispatch Control;

private:
    HWND window_ = nullptr;
    RECT placed_{};
};
