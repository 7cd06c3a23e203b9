#include "shell/MainForm.h"

#include "shell/Application.h"

TfrmMain* frmMain = nullptr;

namespace {
const wchar_t MainFormClass[] = L"TfrmMain";
}

TfrmMain::TfrmMain() {
    RegisterWindowClass(MainFormClass);
    CreateHandle(MainFormClass, ProductTitle, WS_OVERLAPPEDWINDOW, 0, CW_USEDEFAULT, CW_USEDEFAULT, 800,
                 600, nullptr);
    FormCreate();
}

TfrmMain::~TfrmMain() = default;

void TfrmMain::FormCreate() {
    TApplication::Instance().SetToolWindowStyle(false);
    ShowWindow(Handle(), SW_SHOW);
}

void TfrmMain::FormDestroy() { TApplication::Instance().Terminate(); }

LRESULT TfrmMain::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DESTROY:
        FormDestroy();
        return 0;
    default:
        return DefaultHandler(message, wParam, lParam);
    }
}
