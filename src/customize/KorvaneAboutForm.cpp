#include "customize/KorvaneAboutForm.h"
#include "customize/FormLayouts.h"

#include <shellapi.h>

#include "customize/FormRules.h"
#include "server/Product.h"
#include "shell/Application.h"
#include "util/Maker.h"
#include "util/ShellKit.h"
#include "util/Utf.h"

UniqueIcon LoadAboutIcon(HMODULE module) {
    if (!module) module = GetModuleHandleW(nullptr);
    if (FindResourceW(module, L"MAINICON", RT_GROUP_ICON)) {
        if (auto* icon = static_cast<HICON>(LoadImageW(module, L"MAINICON", IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR)))
            return UniqueIcon(icon);
    }
    // A copy, so that the caller owns whichever icon it gets.
    return UniqueIcon(CopyIcon(LoadIconW(nullptr, IDI_APPLICATION)));
}

TfrmKorvaneAbout::TfrmKorvaneAbout(HWND owner)
    : TDialogForm(owner, "About", 295, 194, TPosition::ScreenCenter),
      AppTitle(ProductTitle),
      AppVersion(ProductVersion),
      NoticeText(ProductNotice) {
    shpBackground.PenColor = clWhite;
    for (TControl* onPanel : std::initializer_list<TControl*>{&imgIcon, &lblTitle, &lblVersion, &lblCopyright,
                                                              &lblEmail, &lblWebsite, &lblEmailAddr, &lblWebsiteAddr})
        onPanel->BackColor = clWhite;
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
    UniqueIcon icon = LoadAboutIcon();
    imgIcon.SetIcon(icon.Get());
    icon_ = std::move(icon);
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

void TfrmKorvaneAbout::lblEmailAddrClick() { TShellKit::OpenContactMail(); }

void TfrmKorvaneAbout::lblWebsiteAddrClick() {
    ShellExecuteW(TApplication::Instance().Handle(), L"open", Widen(MakerWebSite).c_str(), nullptr, nullptr, SW_SHOW);
}
