#include "customize/linux/KorvaneAboutForm.h"
#include "customize/FormLayouts.h"

#include "customize/FormRules.h"
#include "server/Product.h"
#include "shell/linux/AppIcon.h"
#include "shell/linux/Desktop.h"
#include "util/Maker.h"

namespace {

const int AboutIconSize = 32;

}  // namespace

GObjectPtr<GdkPixbuf> LoadAboutIcon() {
    if (GObjectPtr<GdkPixbuf> icon = LoadMainIcon(AboutIconSize)) return icon;
    return GObjectPtr<GdkPixbuf>::Adopt(gtk_icon_theme_load_icon(
        gtk_icon_theme_get_default(), "application-x-executable", AboutIconSize, GTK_ICON_LOOKUP_FORCE_SIZE, nullptr));
}

TfrmKorvaneAbout::TfrmKorvaneAbout(GtkWindow* owner)
    : TDialogForm(owner, "About", 295, 194, TPosition::ScreenCenter),
      AppTitle(ProductTitle),
      AppVersion(ProductVersion),
      NoticeText(ProductNotice) {
    shpBackground.PenColor = clWhite;
    lblTitle.Font.Height = -13;
    lblTitle.Font.Bold = true;
    for (TLinkLabel* link : {&lblEmailAddr, &lblWebsiteAddr}) {
        link->OnMouseDown = [this, link](TMouseButton button) { LabelMouseDown(*link, button); };
        link->OnMouseUp = [this, link](TMouseButton button) { LabelMouseUp(*link, button); };
    }
    lblEmailAddr.OnClick = [this] { lblEmailAddrClick(); };
    lblWebsiteAddr.OnClick = [this] { lblWebsiteAddrClick(); };
    btnOK.OnClick = [this] { btnOKClick(); };
}

std::vector<TControlDef> TfrmKorvaneAbout::Controls() {
    return AboutFormControls<TControlDef>(*this);
}

void TfrmKorvaneAbout::FormShow() {
    icon_ = LoadAboutIcon();
    imgIcon.SetIcon(icon_.Get());
    FillAboutLabels(*this);
}

void TfrmKorvaneAbout::btnOKClick() { Close(mrOk); }

void TfrmKorvaneAbout::LabelMouseDown(TLinkLabel& sender, TMouseButton button) {
    if (button != TMouseButton::Left) return;
    sender.TextColor = clRed;
    sender.Repaint();
}

void TfrmKorvaneAbout::LabelMouseUp(TLinkLabel& sender, TMouseButton button) {
    if (button != TMouseButton::Left) return;
    sender.TextColor = clBlue;
    sender.Repaint();
}

void TfrmKorvaneAbout::lblEmailAddrClick() { OpenContactMail(); }

void TfrmKorvaneAbout::lblWebsiteAddrClick() { OpenWithDesktop(MakerWebSite); }
