// What our windows ask of an embedded browser control, and the events they get
// back. The COM host implements it; tests run the windows against a double.
#pragma once
#include <windows.h>
#include <oaidl.h>

#include <string>

#include "shell/PopupRules.h"
#include "util/ComPtr.h"

inline TBox ToBox(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }
inline RECT ToRect(const TBox& b) { return {b.left, b.top, b.right, b.bottom}; }

// Event handlers of one browser window; every default ignores the event.
class TWebBrowserEvents {
public:
    virtual ~TWebBrowserEvents() = default;
    virtual void WebBrowser1StatusTextChange(const std::string& /*text*/) {}
    virtual void WebBrowser1ProgressChange(int /*progress*/, int /*maximum*/) {}
    virtual void WebBrowser1CommandStateChange(int /*command*/, bool /*enable*/) {}
    virtual void WebBrowser1DownloadBegin() {}
    virtual void WebBrowser1DownloadComplete() {}
    virtual void WebBrowser1TitleChange(const std::string& /*text*/) {}
    // The new window's IDispatch goes into *dispatch; cancel is never set.
    virtual void WebBrowser1NewWindow2(IDispatch** /*dispatch*/) {}
    virtual void WebBrowser1BeforeNavigate2() {}
};

// Command identifiers of ExecWB.
enum TBrowserCommand { cmdSaveAs = 4, cmdPrint = 6, cmdPrintPreview = 7, cmdPageSetup = 8 };
// CommandStateChange's commands.
enum TNavigateCommand { navForward = 1, navBack = 2 };
const int ReadyStateComplete = 4;

class TWebBrowser {
public:
    TWebBrowser() = default;
    TWebBrowser(const TWebBrowser&) = delete;
    TWebBrowser& operator=(const TWebBrowser&) = delete;
    virtual ~TWebBrowser() = default;

    // Calls; each throws EOSError when the control fails.
    virtual void Navigate(const std::string& url) = 0;
    virtual void GoBack() = 0;
    virtual void GoForward() = 0;
    virtual void Stop() = 0;
    virtual void ExecWB(int command) = 0;  // OLECMDEXECOPT_DODEFAULT, empty in and out
    // Offers a key message to the control; true when the control took it.
    virtual bool TranslateAccelerator(const MSG& message) = 0;

    // Properties
    virtual ComPtr<IDispatch> Document() = 0;  // empty before any page
    virtual ComPtr<IDispatch> Dispatch() = 0;  // the control itself
    virtual std::string LocationURL() = 0;
    virtual bool Busy() = 0;
    virtual int ReadyState() = 0;
    // What a page asked of the window it opened (each on unless asked off).
    virtual bool MenuBar() = 0;
    virtual int ToolBar() = 0;
    virtual bool AddressBar() = 0;
    virtual bool StatusBar() = 0;
    virtual bool Resizable() = 0;
    virtual void SetSilent(bool silent) = 0;
    virtual void SetRegisterAsBrowser(bool on) = 0;

    // The control's window and its place in the parent's client area. A
    // page's request for a window place or size changes the bounds the
    // control reports, not where it shows: our window places it.
    virtual HWND Handle() = 0;
    virtual RECT BoundsRect() = 0;
    virtual void SetBounds(const RECT& bounds) = 0;
    virtual void SetVisible(bool visible) = 0;
};
