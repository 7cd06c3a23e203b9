// The Customize dialog on Linux: the choices for a branded runner, carried in
// and out through public fields named after the Brand.ini keys.
#pragma once
#include <string>
#include <vector>

#include "shell/linux/Dialog.h"

class TfrmBrand : public TDialogForm {
public:
    // Centred on owner, the main window.
    explicit TfrmBrand(GtkWindow* owner);

    std::string SplashFileName, Title, IconFile;
    std::string Toolbar, StatusBar, TrayIcon, FullScreen;  // "1" or "0" on the way out
    std::string IP;                                         // "127.0.0.1" or "all" on the way out
    int Port = 0;
    std::string OutputDir;  // the caller's own; the dialog neither shows nor changes it
    std::string CopyFilesToHardDisk, CustomizeButton;
    std::string AppDir;     // where relative file names are taken

    TBevel bvlApp, Bevel1;
    TLabel lblAppTitle, lblAppIcon, Label1, Label2, lblIP, Label7, Label5;
    TEdit edtTitle, edtIcon, edtImage;
    TSpeedButton btnSelectIcon, btnSelectImage;
    TCheckBox chkToolbar, chkStatusbar, chkTrayIcon, chkFullScreen, chkCustomizebutton, CheckBox1, chkCopyFiles;
    TComboBox cboIP;
    TSpinEdit SpinEdit1;
    TButton btnOK, btnCancel;

    void FormShow() override;
    void btnOKClick();
    void btnCancelClick();
    void SpinEdit1Exit();
    void btnSelectImageClick();
    void btnSelectIconClick();

protected:
    std::vector<TControlDef> Controls() override;

private:
    std::string ExistingFileIn(const TEdit& edit) const;
    bool ChooseFile(std::string& path, const char* filterName, const std::vector<const char*>& patterns);
};
