// The control tables of the Customize, address/port and About dialogs, and
// how their fields carry the values in and out, once for both editions: each
// edition's form hands in itself (its controls are public members of the same
// names, with the same setters) and the sizes its toolkit's fields need.
#pragma once
#include <string>
#include <vector>

#include "customize/FormRules.h"
#include "server/ServerText.h"
#include "shell/DialogRules.h"
#include "util/Text.h"
#include "util/Maker.h"

template <class TDef, class TForm>
std::vector<TDef> BrandFormControls(TForm& f, const TFieldMetrics& m) {
    return {
        {&f.bvlApp, "bvlApp", "", {8, 8, 429, 234}},
        {&f.lblAppTitle, "lblAppTitle", "Enter a name for your product (optional):", {20, 18, 0, 0}},
        {&f.edtTitle, "edtTitle", "#", {20, 34, 405, 21}, 0, 0},
        {&f.lblAppIcon, "lblAppIcon", "Select an icon for your product (optional):", {20, 64, 0, 0}},
        {&f.edtIcon, "edtIcon", "#", {20, 80, 378, 21}, 0, 1},
        {&f.btnSelectIcon, "btnSelectIcon", "Click here to select an icon for your product", {402, 79, 23, 23}},
        {&f.Label1, "Label1", "Select an image in BMP, JPG or PNG format for splash screen (optional):",
         {20, 110, 0, 0}},
        {&f.edtImage, "edtImage", "#", {20, 126, 378, 21}, 0, 2},
        {&f.btnSelectImage, "btnSelectImage", "Click here to select an image for splash screen", {402, 125, 23, 23}},
        {&f.chkToolbar, "chkToolbar", "Show toolbar and address bar", {20, 158, 200, 17}, 0, 3},
        {&f.chkStatusbar, "chkStatusbar", "Show status bar", {20, 178, 200, 17}, 0, 4},
        {&f.chkTrayIcon, "chkTrayIcon", "Show icon in the system tray", {20, 198, 200, 17}, 0, 5},
        {&f.chkFullScreen, "chkFullScreen", "Start up in full screen mode", {236, 158, 190, 17}, 0, 6},
        {&f.chkCustomizebutton, "chkCustomizebutton", "Show Customize button", {236, 178, 190, 17}, 0, 7},
        {&f.Label2, "Label2", "Include Apache, MySQL and PHP", {236 + m.CheckBoxSize + 3, 200, 0, 0}},
        {&f.CheckBox1, "CheckBox1", "", {236, 198, m.CheckBoxSize, 17}, csChecked | csDisabled | csNoTabStop, 13},
        {&f.chkCopyFiles, "chkCopyFiles",
         "Copy website files from CD/DVD to hard disk on startup so PHP can write files", {20, 218, 405, 17}, 0, 8},
        {&f.Bevel1, "Bevel1", "", {8, 250, 429, 40}},
        {&f.lblIP, "lblIP", "IP address:", m.LabelBeside(20, 264)},
        {&f.cboIP, "cboIP", AddressItems, m.Field(82, 260, 110), 0, 9},
        {&f.Label7, "Label7", "Port (1 - 65535):", m.LabelBeside(228, 264)},
        {&f.SpinEdit1, "SpinEdit1", "1", m.Spin(318, 260, 80), 0, 10},
        {&f.Label5, "Label5", "NOTE: Click the OK button to get customized Vadrome.", {8, 318, 0, 0}},
        {&f.btnOK, "btnOK", "&OK", {282, 312, 75, 25}, csDefault, 11},
        {&f.btnCancel, "btnCancel", "&Cancel", {362, 312, 75, 25}, csCancel, 12},
    };
}

template <class TDef, class TForm>
std::vector<TDef> SettingsFormControls(TForm& f, const TFieldMetrics& m) {
    return {
        {&f.bvlServer, "bvlServer", "", {8, 8, 275, 82}},
        {&f.lblIP, "lblIP", "IP address:", m.LabelBeside(24, 28)},
        {&f.cboIP, "cboIP", AddressItems, m.Field(128, 24, 139), 0, 0},
        {&f.lblPort, "lblPort", "Port (1 - 65535):", m.LabelBeside(24, 60)},
        {&f.SpinEdit1, "SpinEdit1", "1", m.Spin(128, 56, 139), 0, 1},
        {&f.btnOK, "btnOK", "OK", {127, 98, 75, 25}, csDefault | csNoTabStop, 2},
        {&f.btnCancel, "btnCancel", "Cancel", {208, 98, 75, 25}, csCancel | csNoTabStop, 3},
    };
}

template <class TDef, class TForm>
std::vector<TDef> AboutFormControls(TForm& f) {
    return {
        {&f.shpBackground, "shpBackground", "", {7, 7, 282, 147}},
        {&f.bvlBackground, "bvlBackground", "", {7, 7, 282, 147}},
        {&f.imgIcon, "imgIcon", "", {14, 19, 32, 32}},
        {&f.lblTitle, "lblTitle", "", {60, 27, 0, 0}, csCentered},
        {&f.lblVersion, "lblVersion", "", {60, 56, 0, 0}},
        {&f.lblCopyright, "lblCopyright", "", {60, 73, 0, 0}},
        {&f.lblEmail, "lblEmail", "Our Mail:", {52, 102, 0, 0}},
        {&f.lblEmailAddr, "lblEmailAddr", MakerMailAddress, {104, 102, 0, 0}},
        {&f.lblWebsite, "lblWebsite", "Our Site:", {52, 120, 0, 0}},
        {&f.lblWebsiteAddr, "lblWebsiteAddr", MakerWebSite, {104, 120, 0, 0}},
        {&f.btnOK, "btnOK", "OK", {110, 162, 75, 25}, csDefault, 0},
    };
}

template <class TBox>
std::string SwitchOf(const TBox& box) { return box.Checked() ? "1" : "0"; }

// existingOrEmpty: a file name as given when that file exists, else "".
template <class TForm, class TExisting>
void ShowBrandChoices(TForm& f, TExisting existingOrEmpty) {
    f.edtImage.SetText(existingOrEmpty(f.SplashFileName));
    f.edtTitle.SetText(f.Title);
    f.edtIcon.SetText(existingOrEmpty(f.IconFile));
    f.chkToolbar.SetChecked(IsSwitchOn(f.Toolbar));
    f.chkStatusbar.SetChecked(IsSwitchOn(f.StatusBar));
    f.chkTrayIcon.SetChecked(IsSwitchOn(f.TrayIcon));
    f.chkFullScreen.SetChecked(IsSwitchOn(f.FullScreen));
    f.cboIP.SetItemIndex(AddressItemOf(f.IP));
    // Shown as it is, in range or not, until the field has been left.
    f.SpinEdit1.SetText(std::to_string(f.Port));
    f.chkCopyFiles.SetChecked(IsSwitchOn(f.CopyFilesToHardDisk));
    f.chkCustomizebutton.SetChecked(IsSwitchOn(f.CustomizeButton));
}

// image and icon: the fields' files when they exist; an empty one keeps the old.
template <class TForm>
void TakeBrandChoices(TForm& f, const std::string& image, const std::string& icon) {
    if (!image.empty()) f.SplashFileName = image;
    f.Title = Trim(f.edtTitle.Text());
    if (!icon.empty()) f.IconFile = icon;
    f.Toolbar = SwitchOf(f.chkToolbar);
    f.StatusBar = SwitchOf(f.chkStatusbar);
    f.TrayIcon = SwitchOf(f.chkTrayIcon);
    f.FullScreen = SwitchOf(f.chkFullScreen);
    f.IP = AddressSettingOf(f.cboIP.ItemIndex());
    f.Port = f.SpinEdit1.Value();
    f.CopyFilesToHardDisk = SwitchOf(f.chkCopyFiles);
    f.CustomizeButton = SwitchOf(f.chkCustomizebutton);
}

template <class TForm>
void ShowAddressChoices(TForm& f) {
    f.cboIP.SetItemIndex(AddressItemOf(f.IP));
    f.SpinEdit1.SetValue(f.Port);
    // Last: setting the values above may already have enabled it.
    f.btnOK.SetEnabled(false);
}

template <class TForm>
void TakeAddressChoices(TForm& f) {
    f.IP = AddressSettingOf(f.cboIP.ItemIndex());
    f.Port = f.SpinEdit1.Value();
}

// The About box's texts, then the labels placed by the shared rule once the toolkit has sized them.
template <class TForm>
void FillAboutLabels(TForm& f) {
    f.lblTitle.SetText(f.AppTitle);
    f.lblVersion.SetText("Version " + f.AppVersion);
    f.lblCopyright.SetText(f.NoticeText);
    const TAboutLayout layout = LayOutAbout(f.ClientWidth(), f.imgIcon.Bounds().Width, f.lblTitle.Bounds().Width,
                                            f.lblVersion.Bounds().Width, f.lblCopyright.Bounds().Width);
    f.lblTitle.SetLeft(layout.TitleLeft);
    f.imgIcon.SetLeft(layout.IconLeft);
    f.lblVersion.SetLeft(layout.VersionLeft);
    f.lblCopyright.SetLeft(layout.NoticeLeft);
}
