#include "customize/linux/SettingsForm.h"
#include "customize/FormLayouts.h"

#include "customize/FormRules.h"
#include "shell/linux/MessageDialog.h"

TfrmSettings::TfrmSettings(GtkWindow* owner)
    : TDialogForm(owner, "Change IP Address or Port", 291, 130, TPosition::ScreenCenter) {
    SpinEdit1.MinValue = 1;
    SpinEdit1.MaxValue = 65535;
    cboIP.OnChange = [this] { cboIPChange(); };
    SpinEdit1.OnChange = [this] { cboIPChange(); };
    SpinEdit1.OnExit = [this] { SpinEdit1Exit(); };
    btnOK.OnClick = [this] { btnOKClick(); };
    btnCancel.OnClick = [this] { btnCancelClick(); };
}

std::vector<TControlDef> TfrmSettings::Controls() {
    return SettingsFormControls<TControlDef>(*this, GtkFieldMetrics);
}

void TfrmSettings::FormShow() {
    ShowAddressChoices(*this);
}

void TfrmSettings::cboIPChange() { btnOK.SetEnabled(true); }

void TfrmSettings::SpinEdit1Exit() { SpinEdit1.UndoWhenEmpty(); }

void TfrmSettings::btnOKClick() {
    if (!AskAreYouSure(Handle())) return;
    TakeAddressChoices(*this);
    Close(mrOk);
}

void TfrmSettings::btnCancelClick() { Close(mrCancel); }
