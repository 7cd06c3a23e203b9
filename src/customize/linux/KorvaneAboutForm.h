// The About box on Linux: the product's icon, name, version and notice line,
// and the maker's mail and web addresses as links.
#pragma once
#include <string>
#include <vector>

#include "shell/linux/Dialog.h"

// MAINICON at 32 x 32; the desktop's icon for programs when there is none.
GObjectPtr<GdkPixbuf> LoadAboutIcon();

class TfrmKorvaneAbout : public TDialogForm {
public:
    // Centred on the screen; owner (none: a window of its own) takes no input while it runs.
    explicit TfrmKorvaneAbout(GtkWindow* owner);

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
    GObjectPtr<GdkPixbuf> icon_;
};
