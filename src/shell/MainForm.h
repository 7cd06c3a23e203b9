// The main browser window; its creation runs the runner's start-up.
#pragma once
#include <windows.h>

#include "shell/Window.h"

class TfrmMain : public TWindow {
public:
    TfrmMain();
    ~TfrmMain() override;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void FormCreate();
    void FormDestroy();
};

extern TfrmMain* frmMain;
