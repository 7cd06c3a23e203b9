#include "customize/linux/BrandForm.h"

#include "customize/FormRules.h"
#include "server/ServerText.h"
#include "shell/linux/MessageDialog.h"
#include "util/Text.h"
#include "util/linux/Files.h"

namespace {

std::string ExistingFileOrEmpty(const std::string& path) {
    return LinuxFiles::FileExists(path) ? path : std::string();
}

std::string SwitchOf(const TCheckBox& box) { return box.Checked() ? "1" : "0"; }

}  // namespace

TfrmBrand::TfrmBrand(GtkWindow* owner) : TDialogForm(owner, "Customize", 445, 344, TPosition::OwnerCenter) {
    chkCustomizebutton.TextColor = clMaroon;
    // The desktop's sans face runs wider than Tahoma: the note keeps clear of OK.
    Label5.Font.Height = -10;
    SpinEdit1.MinValue = 1;
    SpinEdit1.MaxValue = 65535;
    btnSelectIcon.OnClick = [this] { btnSelectIconClick(); };
    btnSelectImage.OnClick = [this] { btnSelectImageClick(); };
    SpinEdit1.OnExit = [this] { SpinEdit1Exit(); };
    btnOK.OnClick = [this] { btnOKClick(); };
    btnCancel.OnClick = [this] { btnCancelClick(); };
}

std::vector<TControlDef> TfrmBrand::Controls() {
    return {
        {&bvlApp, "bvlApp", "", {8, 8, 429, 234}},
        {&lblAppTitle, "lblAppTitle", "Enter a name for your product (optional):", {20, 18, 0, 0}},
        {&edtTitle, "edtTitle", "#", {20, 34, 405, 21}, 0, 0},
        {&lblAppIcon, "lblAppIcon", "Select an icon for your product (optional):", {20, 64, 0, 0}},
        {&edtIcon, "edtIcon", "#", {20, 80, 378, 21}, 0, 1},
        {&btnSelectIcon, "btnSelectIcon", "Click here to select an icon for your product", {402, 79, 23, 23}},
        {&Label1, "Label1", "Select an image in BMP, JPG or PNG format for splash screen (optional):",
         {20, 110, 0, 0}},
        {&edtImage, "edtImage", "#", {20, 126, 378, 21}, 0, 2},
        {&btnSelectImage, "btnSelectImage", "Click here to select an image for splash screen", {402, 125, 23, 23}},
        {&chkToolbar, "chkToolbar", "Show toolbar and address bar", {20, 158, 200, 17}, 0, 3},
        {&chkStatusbar, "chkStatusbar", "Show status bar", {20, 178, 200, 17}, 0, 4},
        {&chkTrayIcon, "chkTrayIcon", "Show icon in the system tray", {20, 198, 200, 17}, 0, 5},
        {&chkFullScreen, "chkFullScreen", "Start up in full screen mode", {236, 158, 190, 17}, 0, 6},
        {&chkCustomizebutton, "chkCustomizebutton", "Show Customize button", {236, 178, 190, 17}, 0, 7},
        {&Label2, "Label2", "Include Apache, MySQL and PHP", {258, 200, 0, 0}},
        {&CheckBox1, "CheckBox1", "", {236, 198, 17, 17}, csChecked | csDisabled | csNoTabStop, 13},
        {&chkCopyFiles, "chkCopyFiles", "Copy website files from CD/DVD to hard disk on startup so PHP can write files",
         {20, 218, 405, 17}, 0, 8},
        {&Bevel1, "Bevel1", "", {8, 250, 429, 40}},
        {&lblIP, "lblIP", "IP address:", {20, 262, 0, 0}},
        {&cboIP, "cboIP", AddressItems, {82, 257, 110, 26}, 0, 9},
        {&Label7, "Label7", "Port (1 - 65535):", {228, 262, 0, 0}},
        {&SpinEdit1, "SpinEdit1", "1", {318, 257, 110, 26}, 0, 10},
        {&Label5, "Label5", "NOTE: Click the OK button to get customized Vadrome.", {8, 318, 0, 0}},
        {&btnOK, "btnOK", "&OK", {282, 312, 75, 25}, csDefault, 11},
        {&btnCancel, "btnCancel", "&Cancel", {362, 312, 75, 25}, csCancel, 12},
    };
}

// The full path of the file an edit field names, a relative name taken in
// the executable's folder; empty when there is no such file.
std::string TfrmBrand::ExistingFileIn(const TEdit& edit) const {
    const std::string typed = Trim(edit.Text());
    if (typed.empty()) return {};
    const std::string full = typed.front() == '/' ? typed : AppDir + "/" + typed;
    return ExistingFileOrEmpty(full);
}

void TfrmBrand::FormShow() {
    edtImage.SetText(ExistingFileOrEmpty(SplashFileName));
    edtTitle.SetText(Title);
    edtIcon.SetText(ExistingFileOrEmpty(IconFile));
    chkToolbar.SetChecked(IsSwitchOn(Toolbar));
    chkStatusbar.SetChecked(IsSwitchOn(StatusBar));
    chkTrayIcon.SetChecked(IsSwitchOn(TrayIcon));
    chkFullScreen.SetChecked(IsSwitchOn(FullScreen));
    cboIP.SetItemIndex(AddressItemOf(IP));
    // Shown as it is, in range or not, until the field has been left.
    SpinEdit1.SetText(std::to_string(Port));
    chkCopyFiles.SetChecked(IsSwitchOn(CopyFilesToHardDisk));
    chkCustomizebutton.SetChecked(IsSwitchOn(CustomizeButton));
}

void TfrmBrand::btnOKClick() {
    if (!AskAreYouSure(Handle())) return;
    if (const std::string image = ExistingFileIn(edtImage); !image.empty()) SplashFileName = image;
    Title = Trim(edtTitle.Text());
    if (const std::string icon = ExistingFileIn(edtIcon); !icon.empty()) IconFile = icon;
    Toolbar = SwitchOf(chkToolbar);
    StatusBar = SwitchOf(chkStatusbar);
    TrayIcon = SwitchOf(chkTrayIcon);
    FullScreen = SwitchOf(chkFullScreen);
    IP = AddressSettingOf(cboIP.ItemIndex());
    Port = SpinEdit1.Value();
    CopyFilesToHardDisk = SwitchOf(chkCopyFiles);
    CustomizeButton = SwitchOf(chkCustomizebutton);
    Close(mrOk);
}

void TfrmBrand::btnCancelClick() { Close(mrCancel); }

void TfrmBrand::SpinEdit1Exit() { SpinEdit1.UndoWhenEmpty(); }

void TfrmBrand::btnSelectImageClick() {
    std::string path = ExistingFileIn(edtImage);
    if (ChooseFile(path, "*.bmp;*.jpg;*.jpeg;*.png", {"*.bmp", "*.jpg", "*.jpeg", "*.png"})) edtImage.SetText(path);
}

void TfrmBrand::btnSelectIconClick() {
    std::string path = ExistingFileIn(edtIcon);
    if (ChooseFile(path, "*.ico", {"*.ico"})) edtIcon.SetText(path);
}

// The desktop's open dialog, starting at path; an existing file must be chosen.
bool TfrmBrand::ChooseFile(std::string& path, const char* filterName, const std::vector<const char*>& patterns) {
    auto chooser = GObjectPtr<GtkFileChooserNative>::Adopt(gtk_file_chooser_native_new(
        nullptr, Handle(), GTK_FILE_CHOOSER_ACTION_OPEN, "_Open", "_Cancel"));
    GtkFileFilter* filter = gtk_file_filter_new();
    gtk_file_filter_set_name(filter, filterName);
    for (const char* pattern : patterns) gtk_file_filter_add_pattern(filter, pattern);
    gtk_file_chooser_add_filter(GTK_FILE_CHOOSER(chooser.Get()), filter);
    if (!path.empty()) gtk_file_chooser_set_filename(GTK_FILE_CHOOSER(chooser.Get()), path.c_str());
    else if (!AppDir.empty()) gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(chooser.Get()), AppDir.c_str());
    if (gtk_native_dialog_run(GTK_NATIVE_DIALOG(chooser.Get())) != GTK_RESPONSE_ACCEPT) return false;
    gchar* chosen = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(chooser.Get()));
    if (!chosen) return false;
    path = chosen;
    g_free(chosen);
    return true;
}
