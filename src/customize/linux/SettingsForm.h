// The "Change IP Address or Port" dialog on Linux.
#pragma once
#include <string>
#include <vector>

#include "shell/linux/Dialog.h"

class TfrmSettings : public TDialogForm {
public:
    // Centred on the screen; owner is disabled while it runs.
    explicit TfrmSettings(GtkWindow* owner);

    std::string IP;  // in: the `ip` setting; out: "127.0.0.1" or "all"
    int Port = 0;    // in: the `port` setting; out: the field's value

    TBevel bvlServer;
    TLabel lblIP, lblPort;
    TComboBox cboIP;
    TSpinEdit SpinEdit1;
    TButton btnOK, btnCancel;

    void FormShow() override;
    void cboIPChange();
    void SpinEdit1Exit();
    void btnOKClick();
    void btnCancelClick();

protected:
    std::vector<TControlDef> Controls() override;
};
