#include "customize/BrandForm.h"
#include "customize/FormLayouts.h"

#include "customize/FormRules.h"
#include "server/ServerText.h"
#include "util/ShellKit.h"
#include "util/Text.h"

namespace {

constexpr char ImageFilter[] = "*.bmp;*.jpg;*.jpeg;*.png|*.bmp;*.jpg;*.jpeg;*.png";

// The full path of the file an edit field names, a relative name taken in
// the executable's folder; empty when there is no such file.
std::string ExistingFileIn(const TEdit& edit) {
    const std::string typed = Trim(edit.Text());
    if (typed.empty()) return {};
    const std::string full = TShellKit::ExpandAppRelative(typed);
    return TShellKit::FileExists(full) ? full : std::string();
}

std::string ExistingFileOrEmpty(const std::string& path) { return TShellKit::FileExists(path) ? path : std::string(); }

}  // namespace

TfrmBrand::TfrmBrand(HWND owner) : TDialogForm(owner, "Customize", 445, 344, TPosition::OwnerCenter) {
    chkCustomizebutton.TextColor = clMaroon;
    SpinEdit1.MinValue = 1;
    SpinEdit1.MaxValue = 65535;
    btnSelectIcon.OnClick = [this] { btnSelectIconClick(); };
    btnSelectImage.OnClick = [this] { btnSelectImageClick(); };
    SpinEdit1.OnExit = [this] { SpinEdit1Exit(); };
    btnOK.OnClick = [this] { btnOKClick(); };
    btnCancel.OnClick = [this] { btnCancelClick(); };
}

std::vector<TControlDef> TfrmBrand::Controls() {
    return BrandFormControls<TControlDef>(*this, {});
}

void TfrmBrand::FormShow() {
    ShowBrandChoices(*this, ExistingFileOrEmpty);
}

void TfrmBrand::btnOKClick() {
    if (AskAreYouSure(Handle()) == IDNO) return;
    TakeBrandChoices(*this, ExistingFileIn(edtImage), ExistingFileIn(edtIcon));
    Close(mrOk);
}

void TfrmBrand::btnCancelClick() { Close(mrCancel); }

void TfrmBrand::SpinEdit1Exit() { SpinEdit1.UndoWhenEmpty(); }

void TfrmBrand::btnSelectImageClick() {
    std::string path = ExistingFileIn(edtImage);
    if (TShellKit::OpenFileDialog(path, ImageFilter, ".bmp")) edtImage.SetText(path);
}

void TfrmBrand::btnSelectIconClick() {
    std::string path = ExistingFileIn(edtIcon);
    if (TShellKit::BrowseForFile(path, ".ico")) edtIcon.SetText(path);
}
