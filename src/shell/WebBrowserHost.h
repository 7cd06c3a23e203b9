// The Windows WebBrowser control, hosted in place in a window of ours.
#pragma once
#include <windows.h>
#include <exdisp.h>
#include <ocidl.h>
#include <oleidl.h>

#include <memory>

#include "shell/WebBrowser.h"

class TWebBrowserHost : public TWebBrowser {
public:
    // Creates the control in place in parent; its events go to events. OLE
    // must be initialised on this thread. Throws EOSError on failure.
    TWebBrowserHost(HWND parent, TWebBrowserEvents& events);
    ~TWebBrowserHost() override;

    void Navigate(const std::string& url) override;
    void GoBack() override;
    void GoForward() override;
    void Stop() override;
    void ExecWB(int command) override;
    bool TranslateAccelerator(const MSG& message) override;

    ComPtr<IDispatch> Document() override;
    ComPtr<IDispatch> Dispatch() override;
    std::string LocationURL() override;
    bool Busy() override;
    int ReadyState() override;
    bool MenuBar() override;
    int ToolBar() override;
    bool AddressBar() override;
    bool StatusBar() override;
    bool Resizable() override { return asked_.resizable; }
    void SetSilent(bool silent) override;
    void SetRegisterAsBrowser(bool on) override;

    HWND Handle() override;
    RECT BoundsRect() override { return ToRect(asked_.bounds); }
    void SetBounds(const RECT& bounds) override;
    void SetVisible(bool visible) override;

    // Where the control's events arrive.
    ComPtr<IDispatch> EventSink() const;

    // Site objects alive in the process, and what the last release of a
    // control returned: both are 0 after a clean teardown.
    static int LiveSites();
    static ULONG LastControlRelease();

private:
    class TSite;
    void Teardown() noexcept;
    void CheckCall(HRESULT result, const char* what) const;
    bool ReadSwitch(HRESULT (STDMETHODCALLTYPE IWebBrowser2::*getter)(VARIANT_BOOL*));
    // What a page asks of its window, as the control reports it.
    void WindowRequest(TRequestSide side, int value);
    void PlaceRequest(const RECT& asked);
    void BarRequest(DISPID bar, bool on);
    void WriteSwitch(HRESULT (STDMETHODCALLTYPE IWebBrowser2::*setter)(VARIANT_BOOL), bool on);

    TSite* site_ = nullptr;  // one reference, ours
    ComPtr<IOleObject> oleObject_;
    ComPtr<IOleInPlaceObject> inPlaceObject_;
    ComPtr<IWebBrowser2> browser_;
    ComPtr<IConnectionPoint> eventsPoint_;
    DWORD eventsCookie_ = 0;
    RECT bounds_{};        // where our window put the control
    TPopupRequest asked_;  // bounds and bars as the page asked for them
};
