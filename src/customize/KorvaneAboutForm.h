// The About box: the product's icon, name, version and notice line, and the
// maker's mail and web addresses as links.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "shell/Dialog.h"
#include "util/Handles.h"

// MAINICON of module (the executable when null) at 32 x 32 in its own
// colours; the system's application icon when there is none. The caller owns it.
UniqueIcon LoadAboutIcon(HMODULE module = nullptr);

class TfrmKorvaneAbout : public TDialogForm {
public:
    // Centred on the screen; owner is disabled while it runs.
    explicit TfrmKorvaneAbout(HWND owner);

    std::string AppTitle, AppVersion, NoticeText;

    TShape shpBackground;
    TBevel bvlBackground;
    TIconImage imgIcon;
    TLabel lblTitle, lblVersion, lblCopyright, lblEmail, lblWebsite;
    TLinkLabel lblEmailAddr, lblWebsiteAddr;
    TButton btnOK;

    void FormShow() override;
    void btnOKClick();
    void LabelMouseDown(TLinkLabel& sender, TMouseButton button);
    void LabelMouseUp(TLinkLabel& sender, TMouseButton button);
    void lblEmailAddrClick();
    void lblWebsiteAddrClick();

protected:
    std::vector<TControlDef> Controls() override;

private:
    UniqueIcon icon_;
};
