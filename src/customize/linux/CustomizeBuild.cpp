// The customized build on Linux: the Customize dialog's choices go into
// Brand.ini and are stamped, with the chosen splash image and icon, into a
// copy of the running executable by child processes of it; a renamer copy
// then puts the new file in the running one's place and starts it.
#include "customize/CustomizeRules.h"
#include "customize/linux/BrandForm.h"
#include "launcher/StampRules.h"
#include "launcher/linux/Modes.h"
#include "shell/linux/MainForm.h"
#include "shell/linux/MessageDialog.h"
#include "util/Errors.h"
#include "util/Guard.h"
#include "util/linux/Files.h"

namespace {

constexpr auto BrandFields = BrandFieldsOf<TfrmBrand>();
constexpr unsigned ExecutableMode = 0755;

// A file the build writes beside the executable. One this build made is
// removed again unless the build hands over; one that was there already and
// could not be written is left alone.
class TBuildFile {
public:
    explicit TBuildFile(std::string path) : Path(std::move(path)) {}
    ~TBuildFile() {
        if (made_ && !kept_) Guarded([&] { LinuxFiles::RemoveFile(Path); });
    }
    TBuildFile(const TBuildFile&) = delete;
    TBuildFile& operator=(const TBuildFile&) = delete;

    void Write(const std::string& bytes) {
        LinuxFiles::WriteFileReplacing(Path, bytes, ExecutableMode, true);
        made_ = true;
    }
    void Keep() { kept_ = true; }

    const std::string Path;

private:
    bool made_ = false, kept_ = false;
};

class TBusy {
public:
    explicit TBusy(TfrmMain& form) : form_(form) { form_.SetBusy(true); }
    ~TBusy() { form_.SetBusy(false); }
    TBusy(const TBusy&) = delete;
    TBusy& operator=(const TBusy&) = delete;

private:
    TfrmMain& form_;
};

void ProcessPendingEvents() {
    while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
}

void FillFields(TfrmMain& runner, TfrmBrand& form) {
    for (const auto& field : BrandFields) {
        const std::string value = runner.ReadBrandValue(field.Key);
        if (field.Field)
            form.*field.Field = value;
        else
            form.Port = BrandPortOf(value);
    }
}

void WriteChoices(TfrmMain& runner, const TfrmBrand& form) {
    for (const auto& field : BrandFields) {
        const std::string value = field.Field ? form.*field.Field : std::to_string(form.Port);
        runner.WriteBrandValue(field.Key, BrandIniValue(field.Key, value));
    }
}

// A failed splash image or icon stamp keeps the old one and the build goes
// on; the settings, stamped last, must be in, or the new executable would
// silently run with the old ones. A child that fails has shown its own box.
bool Stamp(const TfrmMain& runner, const TfrmBrand& form, const std::string& runningExe, const std::string& newExe) {
    int settingsResult = 0;
    for (const TStampStep& step : StampingSteps(form.SplashFileName, LinuxFiles::FileExists(form.SplashFileName),
                                                form.IconFile, LinuxFiles::FileExists(form.IconFile),
                                                runner.BrandIniPath))
        settingsResult = RunAndWait({runningExe, step.Mode, newExe, step.Source});
    if (settingsResult != 0) return false;
    if (!StampTook(settingsResult, LinuxFiles::ReadEmbeddedEntry(newExe, ConfigEntryName), LinuxFiles::ReadFile(runner.BrandIniPath)))
        throw Exception("The settings could not be stamped into \"" + newExe + "\".");
    return true;
}

// True once the renamer runs and the runner may hand over to it.
bool Build(TfrmMain& runner, TfrmBrand& form) {
    const std::string runningExe = LinuxFiles::ExeFileName();
    form.OutputDir = runner.AppDir;
    TBuildFile newExe(form.OutputDir + "/" + NewExeFileName);
    TBuildFile renamer(form.OutputDir + "/" + RenamerFileName);
    try {
        WriteChoices(runner, form);
        const std::string bytes = LinuxFiles::ReadFile(runningExe);
        newExe.Write(bytes);
        if (!Stamp(runner, form, runningExe, newExe.Path)) return false;
        renamer.Write(bytes);
        StartDetached({renamer.Path, "rename", newExe.Path, runningExe});
        newExe.Keep();
        renamer.Keep();
        return true;
    } catch (const std::exception& error) {
        ShowMessageDialog(runner.Handle(), WithFinalPeriod(error.what()), "Error", GTK_MESSAGE_ERROR);
    }
    return false;
}

}  // namespace

void TfrmMain::RunCustomize() {
    const TTrayIconPause trayIconPaused(*this);  // until the dialog is gone, however the build ends
    TfrmBrand form(Handle());
    form.AppDir = AppDir;
    FillFields(*this, form);
    const int result = form.ShowModal();  // hidden again when it returns
    ProcessPendingEvents();
    const TBusy busy(*this);
    if (result == mrOk && Build(*this, form)) Quit();
}
