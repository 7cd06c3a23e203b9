// TShellKit: browser commands, and what counts as an edit control.
#include <docobj.h>

#include "shell/WebBrowser.h"
#include "util/Guard.h"
#include "util/ShellKit.h"

namespace {

// The document's own command group: find, view source, Internet options.
const GUID DocumentCommandGroup = {0xED016940, 0xBD5B, 0x11CF, {0xBA, 0x4E, 0x00, 0xC0, 0x4F, 0xD7, 0x08, 0x16}};
enum TDocumentCommand : DWORD { docFind = 1, docViewSource = 2, docInternetOptions = 3 };

void ExecBrowserCommand(TWebBrowser& browser, int command) {
    Guarded([&] { browser.ExecWB(command); });
}

void ExecDocumentCommand(TWebBrowser& browser, DWORD command) {
    Guarded([&] {
        ComPtr<IDispatch> document = browser.Document();
        if (!document) return;
        auto target = document.As<IOleCommandTarget>(IID_IOleCommandTarget);
        if (!target) return;
        VARIANT in, out;
        VariantInit(&in);
        VariantInit(&out);
        target->Exec(&DocumentCommandGroup, command, OLECMDEXECOPT_DODEFAULT, &in, &out);
        VariantClear(&out);
    });
}

struct TEditSearch {
    HWND focus;
    bool found;
};

BOOL CALLBACK FindFocusedEdit(HWND window, LPARAM lParam) {
    auto& search = *reinterpret_cast<TEditSearch*>(lParam);
    if (TShellKit::IsEditControl(window) && (window == search.focus || IsChild(window, search.focus))) {
        search.found = true;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

void TShellKit::BrowserSaveAs(TWebBrowser& browser) { ExecBrowserCommand(browser, cmdSaveAs); }
void TShellKit::BrowserPrint(TWebBrowser& browser) { ExecBrowserCommand(browser, cmdPrint); }
void TShellKit::BrowserPrintPreview(TWebBrowser& browser) { ExecBrowserCommand(browser, cmdPrintPreview); }
void TShellKit::BrowserPageSetup(TWebBrowser& browser) { ExecBrowserCommand(browser, cmdPageSetup); }
void TShellKit::BrowserFind(TWebBrowser& browser) { ExecDocumentCommand(browser, docFind); }
void TShellKit::BrowserViewSource(TWebBrowser& browser) { ExecDocumentCommand(browser, docViewSource); }
void TShellKit::BrowserInternetOptions(TWebBrowser& browser) { ExecDocumentCommand(browser, docInternetOptions); }

bool TShellKit::IsEditFocused(HWND form) {
    HWND focus = GetFocus();
    if (!focus || (focus != form && !IsChild(form, focus))) return false;
    TEditSearch search{focus, false};
    EnumChildWindows(form, FindFocusedEdit, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Controls that take typed text, and the bar that holds the address box.
bool TShellKit::IsEditControl(HWND control) {
    wchar_t name[64]{};
    if (!GetClassNameW(control, name, static_cast<int>(std::size(name)))) return false;
    for (const wchar_t* editClass : {L"Edit", L"ComboBox", L"ComboBoxEx32", L"ReBarWindow32"}) {
        if (_wcsicmp(name, editClass) == 0) return true;
    }
    return _wcsnicmp(name, L"RichEdit", 8) == 0;
}
