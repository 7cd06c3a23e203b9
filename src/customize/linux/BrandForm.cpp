#include "customize/linux/BrandForm.h"
#include "customize/FormLayouts.h"

#include "customize/FormRules.h"
#include "server/ServerText.h"
#include "shell/linux/MessageDialog.h"
#include "util/Text.h"
#include "util/linux/Files.h"

namespace {

std::string ExistingFileOrEmpty(const std::string& path) {
    return LinuxFiles::FileExists(path) ? path : std::string();
}

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
    return BrandFormControls<TControlDef>(*this, GtkFieldMetrics);
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
    ShowBrandChoices(*this, ExistingFileOrEmpty);
}

void TfrmBrand::btnOKClick() {
    if (!AskAreYouSure(Handle())) return;
    TakeBrandChoices(*this, ExistingFileIn(edtImage), ExistingFileIn(edtIcon));
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
