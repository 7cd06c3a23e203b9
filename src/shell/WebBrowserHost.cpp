#include "shell/WebBrowserHost.h"

#include <exdispid.h>
#include <oleauto.h>

#include <exception>
#include <utility>

#include "shell/Window.h"
#include "util/Errors.h"
#include "util/Utf.h"

namespace {

int liveSites = 0;
ULONG lastControlRelease = 0;

class TBstr {
public:
    TBstr() = default;
    explicit TBstr(const std::string& text) : value_(SysAllocString(Widen(text).c_str())) {}
    TBstr(const TBstr&) = delete;
    TBstr& operator=(const TBstr&) = delete;
    ~TBstr() { SysFreeString(value_); }
    BSTR Get() const { return value_; }
    BSTR* Put() { SysFreeString(std::exchange(value_, nullptr)); return &value_; }
    std::string Text() const { return value_ ? Narrow(value_) : std::string(); }

private:
    BSTR value_ = nullptr;
};

// Event arguments arrive last to first; coerced so a by-reference or
// differently typed value still reads.
VARIANT* Argument(DISPPARAMS* params, UINT index) {
    if (!params || index >= params->cArgs) return nullptr;
    return &params->rgvarg[params->cArgs - 1 - index];
}

VARIANT Coerced(DISPPARAMS* params, UINT index, VARTYPE type) {
    VARIANT result;
    VariantInit(&result);
    if (VARIANT* arg = Argument(params, index)) VariantChangeType(&result, arg, 0, type);
    return result;
}

int IntArgument(DISPPARAMS* params, UINT index) {
    VARIANT value = Coerced(params, index, VT_I4);
    return value.vt == VT_I4 ? value.lVal : 0;
}

bool BoolArgument(DISPPARAMS* params, UINT index) {
    VARIANT value = Coerced(params, index, VT_BOOL);
    return value.vt == VT_BOOL && value.boolVal != VARIANT_FALSE;
}

std::string TextArgument(DISPPARAMS* params, UINT index) {
    VARIANT value = Coerced(params, index, VT_BSTR);
    std::string text = value.vt == VT_BSTR && value.bstrVal ? Narrow(value.bstrVal) : std::string();
    VariantClear(&value);
    return text;
}

IDispatch** DispatchOutArgument(DISPPARAMS* params, UINT index) {
    VARIANT* arg = Argument(params, index);
    return arg && arg->vt == (VT_BYREF | VT_DISPATCH) ? arg->ppdispVal : nullptr;
}

}  // namespace

// One object owns the reference count; each interface the control asks for is
// a small part that forwards IUnknown to it, so the site lives exactly as long
// as the last reference anyone holds to any of its parts.
class TWebBrowserHost::TSite {
public:
    TSite(HWND parent, TWebBrowserEvents& events, TWebBrowserHost& host)
        : parent_(parent), events_(&events), host_(&host) {
        clientSite_.site = inPlaceSite_.site = frame_.site = eventSink_.site = this;
        ++liveSites;
    }
    TSite(const TSite&) = delete;
    TSite& operator=(const TSite&) = delete;

    ULONG AddRef() { return ++references_; }
    ULONG Release() {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT QueryInterface(REFIID iid, void** result) {
        if (!result) return E_POINTER;
        *result = nullptr;
        if (iid == IID_IUnknown || iid == IID_IOleClientSite) *result = static_cast<IOleClientSite*>(&clientSite_);
        else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite) *result = static_cast<IOleInPlaceSite*>(&inPlaceSite_);
        else if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame) *result = static_cast<IOleInPlaceFrame*>(&frame_);
        else if (iid == IID_IDispatch || iid == DIID_DWebBrowserEvents2) *result = static_cast<IDispatch*>(&eventSink_);
        else return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }

    IOleClientSite* ClientSite() { return &clientSite_; }
    IDispatch* EventSink() { return &eventSink_; }
    // The host is going away: late calls from the control reach nothing of it.
    void Detach() { events_ = nullptr; host_ = nullptr; }

private:
    ~TSite() { --liveSites; }

    template <class Interface>
    struct Part : Interface {
        TSite* site = nullptr;
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** result) override {
            return site->QueryInterface(iid, result);
        }
        ULONG STDMETHODCALLTYPE AddRef() override { return site->AddRef(); }
        ULONG STDMETHODCALLTYPE Release() override { return site->Release(); }
    };

    struct ClientSitePart : Part<IOleClientSite> {
        HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
        HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** moniker) override {
            if (moniker) *moniker = nullptr;
            return E_NOTIMPL;
        }
        HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** container) override {
            if (container) *container = nullptr;
            return E_NOINTERFACE;
        }
        HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
        HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
        HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }
    };

    struct InPlaceSitePart : Part<IOleInPlaceSite> {
        HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
            if (!window) return E_POINTER;
            *window = site->parent_;
            return S_OK;
        }
        HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
        HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return S_OK; }
        HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return S_OK; }
        HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
        HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                                   LPRECT position, LPRECT clip,
                                                   LPOLEINPLACEFRAMEINFO info) override {
            if (!frame || !document || !position || !clip || !info) return E_POINTER;
            site->frame_.AddRef();
            *frame = &site->frame_;
            *document = nullptr;
            *position = *clip = site->host_ ? site->host_->bounds_ : RECT{};
            info->fMDIApp = FALSE;
            info->hwndFrame = site->parent_;
            info->haccel = nullptr;
            info->cAccelEntries = 0;
            return S_OK;
        }
        HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
        HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
        HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override { return S_OK; }
        HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return E_NOTIMPL; }
        HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return E_NOTIMPL; }
        // The control's own Left, Top, Width and Height: a request for the
        // window, recorded for the pop-up's placing.
        HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT position) override {
            if (position && site->host_) site->host_->PlaceRequest(*position);
            return S_OK;
        }
    };

    struct FramePart : Part<IOleInPlaceFrame> {
        HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
            if (!window) return E_POINTER;
            *window = site->parent_;
            return S_OK;
        }
        HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
        HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
        HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
        HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
        HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
        HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
        HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
        HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return E_NOTIMPL; }
        HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
        HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }
        HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }
    };

    struct EventSinkPart : Part<IDispatch> {
        HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
            if (count) *count = 0;
            return S_OK;
        }
        HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
            if (info) *info = nullptr;
            return E_NOTIMPL;
        }
        HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
            return E_NOTIMPL;
        }
        // No exception may cross back into the control: an escaping error gets
        // the application's error box, as for any window handler.
        HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                         EXCEPINFO*, UINT*) override {
            if (!site->events_) return S_OK;
            try {
                site->Dispatch(id, params);
            } catch (const std::exception& error) {
                ShowHandlerException(site->parent_, error);
            } catch (...) {
                ShowHandlerException(site->parent_);
            }
            return S_OK;
        }
    };

    void Dispatch(DISPID id, DISPPARAMS* params) {
        TWebBrowserEvents& events = *events_;
        switch (id) {
        case DISPID_STATUSTEXTCHANGE: events.WebBrowser1StatusTextChange(TextArgument(params, 0)); break;
        case DISPID_PROGRESSCHANGE:
            events.WebBrowser1ProgressChange(IntArgument(params, 0), IntArgument(params, 1));
            break;
        case DISPID_COMMANDSTATECHANGE:
            events.WebBrowser1CommandStateChange(IntArgument(params, 0), BoolArgument(params, 1));
            break;
        case DISPID_DOWNLOADBEGIN: events.WebBrowser1DownloadBegin(); break;
        case DISPID_DOWNLOADCOMPLETE: events.WebBrowser1DownloadComplete(); break;
        case DISPID_TITLECHANGE: events.WebBrowser1TitleChange(TextArgument(params, 0)); break;
        case DISPID_NEWWINDOW2:
            if (IDispatch** out = DispatchOutArgument(params, 0)) events.WebBrowser1NewWindow2(out);
            break;
        case DISPID_BEFORENAVIGATE2: events.WebBrowser1BeforeNavigate2(); break;
        default: DispatchWindowRequest(id, params); break;
        }
    }

    void DispatchWindowRequest(DISPID id, DISPPARAMS* params) {
        if (!host_) return;
        switch (id) {
        case DISPID_WINDOWSETLEFT: host_->WindowRequest(TRequestSide::Left, IntArgument(params, 0)); break;
        case DISPID_WINDOWSETTOP: host_->WindowRequest(TRequestSide::Top, IntArgument(params, 0)); break;
        case DISPID_WINDOWSETWIDTH: host_->WindowRequest(TRequestSide::Width, IntArgument(params, 0)); break;
        case DISPID_WINDOWSETHEIGHT: host_->WindowRequest(TRequestSide::Height, IntArgument(params, 0)); break;
        case DISPID_ONMENUBAR:
        case DISPID_ONTOOLBAR:
        case DISPID_ONADDRESSBAR:
        case DISPID_ONSTATUSBAR:
        case DISPID_WINDOWSETRESIZABLE: host_->BarRequest(id, BoolArgument(params, 0)); break;
        default: break;
        }
    }

    ULONG references_ = 1;
    HWND parent_;
    TWebBrowserEvents* events_;
    TWebBrowserHost* host_;
    ClientSitePart clientSite_;
    InPlaceSitePart inPlaceSite_;
    FramePart frame_;
    EventSinkPart eventSink_;
};

TWebBrowserHost::TWebBrowserHost(HWND parent, TWebBrowserEvents& events) {
    site_ = new TSite(parent, events, *this);
    try {
        CheckCall(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                   oleObject_.PutVoid()),
                  "Error creating the web browser control");
        CheckCall(oleObject_->SetClientSite(site_->ClientSite()), "Error placing the web browser control");
        GetClientRect(parent, &bounds_);
        asked_.bounds = ToBox(bounds_);
        CheckCall(oleObject_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_->ClientSite(), 0, parent, &bounds_),
                  "Error activating the web browser control");
        inPlaceObject_ = oleObject_.As<IOleInPlaceObject>(IID_IOleInPlaceObject);
        browser_ = oleObject_.As<IWebBrowser2>(IID_IWebBrowser2);
        if (!inPlaceObject_ || !browser_) CheckCall(E_NOINTERFACE, "Error activating the web browser control");
        auto container = oleObject_.As<IConnectionPointContainer>(IID_IConnectionPointContainer);
        if (!container) CheckCall(E_NOINTERFACE, "Error connecting to the web browser control");
        CheckCall(container->FindConnectionPoint(DIID_DWebBrowserEvents2, eventsPoint_.Put()),
                  "Error connecting to the web browser control");
        CheckCall(eventsPoint_->Advise(site_->EventSink(), &eventsCookie_),
                  "Error connecting to the web browser control");
    } catch (...) {
        Teardown();
        throw;
    }
}

TWebBrowserHost::~TWebBrowserHost() { Teardown(); }

// The order matters: a control still active or still advising may call back
// into a site whose window is gone.
void TWebBrowserHost::Teardown() noexcept {
    if (inPlaceObject_) inPlaceObject_->InPlaceDeactivate();
    if (eventsPoint_ && eventsCookie_) eventsPoint_->Unadvise(eventsCookie_);
    eventsCookie_ = 0;
    eventsPoint_.Reset();
    if (oleObject_) {
        oleObject_->Close(OLECLOSE_NOSAVE);
        oleObject_->SetClientSite(nullptr);
    }
    inPlaceObject_.Reset();
    browser_.Reset();
    lastControlRelease = oleObject_ ? oleObject_.Detach()->Release() : 0;
    if (site_) {
        site_->Detach();
        std::exchange(site_, nullptr)->Release();
    }
}

void TWebBrowserHost::CheckCall(HRESULT result, const char* what) const {
    if (FAILED(result)) throw EOSError(what, static_cast<unsigned>(result));
}

ComPtr<IDispatch> TWebBrowserHost::EventSink() const { return site_ ? ComPtr<IDispatch>(site_->EventSink()) : nullptr; }

int TWebBrowserHost::LiveSites() { return liveSites; }
ULONG TWebBrowserHost::LastControlRelease() { return lastControlRelease; }

void TWebBrowserHost::Navigate(const std::string& url) {
    TBstr address(url);
    VARIANT empty;
    VariantInit(&empty);
    CheckCall(browser_->Navigate(address.Get(), &empty, &empty, &empty, &empty), "Error navigating");
}

void TWebBrowserHost::GoBack() { CheckCall(browser_->GoBack(), "Error going back"); }
void TWebBrowserHost::GoForward() { CheckCall(browser_->GoForward(), "Error going forward"); }
void TWebBrowserHost::Stop() { CheckCall(browser_->Stop(), "Error stopping"); }

void TWebBrowserHost::ExecWB(int command) {
    CheckCall(browser_->ExecWB(static_cast<OLECMDID>(command), OLECMDEXECOPT_DODEFAULT, nullptr, nullptr),
              "Error running the browser command");
}

bool TWebBrowserHost::TranslateAccelerator(const MSG& message) {
    ComPtr<IDispatch> application;
    if (FAILED(browser_->get_Application(application.Put())) || !application) return false;
    auto active = application.As<IOleInPlaceActiveObject>(IID_IOleInPlaceActiveObject);
    MSG copy = message;
    return active && active->TranslateAccelerator(&copy) == S_OK;
}

ComPtr<IDispatch> TWebBrowserHost::Document() {
    ComPtr<IDispatch> document;
    browser_->get_Document(document.Put());
    return document;
}

ComPtr<IDispatch> TWebBrowserHost::Dispatch() { return browser_.As<IDispatch>(IID_IDispatch); }

std::string TWebBrowserHost::LocationURL() {
    TBstr url;
    CheckCall(browser_->get_LocationURL(url.Put()), "Error reading the address");
    return url.Text();
}

bool TWebBrowserHost::ReadSwitch(HRESULT (STDMETHODCALLTYPE IWebBrowser2::*getter)(VARIANT_BOOL*)) {
    VARIANT_BOOL on = VARIANT_FALSE;
    CheckCall((browser_.Get()->*getter)(&on), "Error reading the browser state");
    return on != VARIANT_FALSE;
}

bool TWebBrowserHost::Busy() { return ReadSwitch(&IWebBrowser2::get_Busy); }

// A bar counts as asked for unless the property or the event about it said
// off: a window's features may reach the control through either.
bool TWebBrowserHost::MenuBar() { return asked_.menuBar && ReadSwitch(&IWebBrowser2::get_MenuBar); }
bool TWebBrowserHost::AddressBar() { return asked_.addressBar && ReadSwitch(&IWebBrowser2::get_AddressBar); }
bool TWebBrowserHost::StatusBar() { return asked_.statusBar && ReadSwitch(&IWebBrowser2::get_StatusBar); }

int TWebBrowserHost::ReadyState() {
    READYSTATE state = READYSTATE_UNINITIALIZED;
    CheckCall(browser_->get_ReadyState(&state), "Error reading the browser state");
    return state;
}

int TWebBrowserHost::ToolBar() {
    int value = 0;
    CheckCall(browser_->get_ToolBar(&value), "Error reading the browser state");
    return asked_.toolBar ? value : 0;
}

void TWebBrowserHost::WindowRequest(TRequestSide side, int value) {
    asked_.bounds = ApplyWindowRequest(asked_.bounds, ToBox(bounds_), side, value);
}

void TWebBrowserHost::PlaceRequest(const RECT& asked) {
    asked_.bounds = ApplyPlaceRequest(asked_.bounds, ToBox(bounds_), ToBox(asked));
}

void TWebBrowserHost::BarRequest(DISPID bar, bool on) {
    switch (bar) {
    case DISPID_ONMENUBAR: asked_.menuBar = on; break;
    case DISPID_ONTOOLBAR: asked_.toolBar = on; break;
    case DISPID_ONADDRESSBAR: asked_.addressBar = on; break;
    case DISPID_ONSTATUSBAR: asked_.statusBar = on; break;
    case DISPID_WINDOWSETRESIZABLE: asked_.resizable = on; break;
    default: break;
    }
}

void TWebBrowserHost::WriteSwitch(HRESULT (STDMETHODCALLTYPE IWebBrowser2::*setter)(VARIANT_BOOL), bool on) {
    CheckCall((browser_.Get()->*setter)(on ? VARIANT_TRUE : VARIANT_FALSE), "Error setting the browser state");
}

void TWebBrowserHost::SetSilent(bool silent) { WriteSwitch(&IWebBrowser2::put_Silent, silent); }
void TWebBrowserHost::SetRegisterAsBrowser(bool on) { WriteSwitch(&IWebBrowser2::put_RegisterAsBrowser, on); }

HWND TWebBrowserHost::Handle() {
    HWND window = nullptr;
    if (inPlaceObject_) inPlaceObject_->GetWindow(&window);
    return window;
}

void TWebBrowserHost::SetBounds(const RECT& bounds) {
    bounds_ = bounds;
    asked_.bounds = ToBox(bounds);
    if (inPlaceObject_) inPlaceObject_->SetObjectRects(&bounds_, &bounds_);
}

void TWebBrowserHost::SetVisible(bool visible) {
    if (HWND window = Handle()) ShowWindow(window, visible ? SW_SHOW : SW_HIDE);
}
