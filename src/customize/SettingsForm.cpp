#include "customize/SettingsForm.h"
#include "customize/FormLayouts.h"

#include "customize/FormRules.h"

TfrmSettings::TfrmSettings(HWND owner)
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
    return SettingsFormControls<TControlDef>(*this, {});
}

void TfrmSettings::FormShow() {
    ShowAddressChoices(*this);
}

void TfrmSettings::cboIPChange() { btnOK.SetEnabled(true); }

void TfrmSettings::SpinEdit1Exit() { SpinEdit1.UndoWhenEmpty(); }

void TfrmSettings::btnOKClick() {
    if (AskAreYouSure(Handle()) != IDYES) return;
    TakeAddressChoices(*this);
    Close(mrOk);
}

void TfrmSettings::btnCancelClick() { Close(mrCancel); }
