#include "customize/CustomizeBuild.h"

#include <windows.h>

#include "customize/BrandForm.h"
#include "customize/CustomizeRules.h"
#include "launcher/CommandLine.h"
#include "launcher/Modes.h"
#include "launcher/StampRules.h"
#include "shell/MainForm.h"
#include "util/ChildProcess.h"
#include "util/Errors.h"
#include "util/MessageBox.h"
#include "util/ResourceUpdate.h"
#include "util/ShellKit.h"
#include "util/ThreadWindows.h"
#include "util/Utf.h"

namespace {

constexpr auto BrandFields = BrandFieldsOf<TfrmBrand>();

// A file the build writes beside the executable. One that this build made is
// removed again unless the build hands over; one that was there already and
// could not be written is left alone.
class TBuildFile {
public:
    explicit TBuildFile(std::string path) : Path(std::move(path)) {}
    ~TBuildFile() {
        if (made_ && !kept_) TShellKit::DeleteFileQuiet(Path);
    }
    TBuildFile(const TBuildFile&) = delete;
    TBuildFile& operator=(const TBuildFile&) = delete;

    void Write(const std::string& bytes) {
        made_ = !TShellKit::FileExists(Path);
        TShellKit::WriteFileText(Path, bytes);
        made_ = true;
    }
    void Keep() { kept_ = true; }

    const std::string Path;

private:
    bool made_ = false, kept_ = false;
};

}  // namespace

TCustomizeBuild::TCustomizeBuild(TfrmMain& runner)
    : RunningExe(TShellKit::GetExeFileName()), AppDir(TShellKit::GetAppDir()), runner_(runner) {}

void TCustomizeBuild::Run() {
    const TfrmMain::TTrayIconPause trayIconPaused(runner_);  // until the dialog is gone, however the build ends
    TfrmBrand form(runner_.Handle());
    FillFields(form);
    const int result = form.ShowModal();  // hidden again when it returns
    TShellKit::ProcessMessages();
    TShellKit::SetBusy(true);
    if (result == mrOk) {
        // The stamping children may take a while: the windows keep answering, but take no input.
        const TDisabledThreadWindows disabled;
        if (Build(form)) runner_.Quit();
    }
    TShellKit::SetBusy(false);
}

void TCustomizeBuild::FillFields(TfrmBrand& form) {
    for (const auto& field : BrandFields) {
        const std::string value = runner_.ReadBrandValue(field.Key);
        if (field.Field)
            form.*field.Field = value;
        else
            form.Port = BrandPortOf(value);
    }
}

void TCustomizeBuild::WriteChoices(const TfrmBrand& form) {
    for (const auto& field : BrandFields) {
        const std::string value = field.Field ? form.*field.Field : std::to_string(form.Port);
        runner_.WriteBrandValue(field.Key, BrandIniValue(field.Key, value));
    }
}

// True once the renamer runs and the runner may hand over to it.
bool TCustomizeBuild::Build(TfrmBrand& form) {
    TBuildFile newExe(InFolder(AppDir, NewExeFileName));
    TBuildFile renamer(InFolder(AppDir, RenamerFileName));
    try {
        WriteChoices(form);
        form.OutputDir = AppDir;
        const std::string bytes = TShellKit::ReadFileText(RunningExe);
        newExe.Write(bytes);
        if (!Stamp(form, newExe.Path)) return false;
        renamer.Write(bytes);
        if (StartRenamer(renamer.Path, ModeParameters("rename", newExe.Path, RunningExe)) == 0) {
            const DWORD error = GetLastError();
            throw EOSError("Cannot start file \"" + renamer.Path + "\"." + (error ? " " + LastErrorText(error) : ""),
                           error);
        }
        newExe.Keep();
        renamer.Keep();
        return true;
    } catch (const std::exception& error) {
        ShowMessageBox(runner_.Handle(), error.what(), "Error", MB_OK | MB_ICONERROR);
    } catch (...) {
        ShowMessageBox(runner_.Handle(), "Unknown error.", "Error", MB_OK | MB_ICONERROR);
    }
    return false;
}

// A failed splash image or icon stamp keeps the old one and the build goes
// on; the settings, stamped last, must be in, or the new executable would
// silently run with the old ones. A child that fails has shown its own box.
bool TCustomizeBuild::Stamp(const TfrmBrand& form, const std::string& newExe) {
    std::optional<unsigned long> settingsResult;
    for (const TStampStep& step :
         StampingSteps(form.SplashFileName, TShellKit::FileExists(form.SplashFileName), form.IconFile,
                       TShellKit::FileExists(form.IconFile), runner_.BrandIniPath))
        settingsResult = RunStampingChild(ModeParameters(step.Mode, newExe, step.Source));
    if (!settingsResult) throw Exception("Cannot start file \"" + RunningExe + "\".");
    if (*settingsResult != 0) return false;
    // The child's work is checked, not assumed: a resource update can fail
    // without a word, for instance when a scanner holds the file.
    if (ReadRcDataOf(newExe, ConfigEntryName) != TShellKit::ReadFileText(runner_.BrandIniPath))
        throw Exception("The settings could not be stamped into \"" + newExe + "\".");
    return true;
}

std::optional<unsigned long> TCustomizeBuild::RunStampingChild(const std::string& params) {
    return RunAndWaitForExitCode(RunningExe, params, SW_SHOWNORMAL, "");
}

int TCustomizeBuild::StartRenamer(const std::string& renamer, const std::string& params) {
    return TShellKit::StartProcess(renamer, params, SW_SHOWNORMAL, "");
}
