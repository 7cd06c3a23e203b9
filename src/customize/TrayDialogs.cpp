// The tray items that open this subsystem's dialogs: About, and Change IP
// Address or Port with its hand-over to a temporary copy of the executable.
#include "customize/KorvaneAboutForm.h"
#include "customize/SettingsForm.h"
#include "launcher/CommandLine.h"
#include "server/Product.h"
#include "server/ServerText.h"
#include "shell/Application.h"
#include "shell/MainForm.h"
#include "util/Errors.h"
#include "util/Guard.h"
#include "util/Maker.h"
#include "util/ShellKit.h"
#include "util/Utf.h"

namespace {

const char TempCopyPrefix[] = "krvn_cmd";
const char TempCopySuffix[] = ".tmp";
const char Unchanged[] = ". The address and port stay as they were";

// ": " and the platform's text for the error, when there is one.
std::string Because(DWORD error) { return error ? ": " + LastErrorText(error) : std::string(); }

void CopyFileOrThrow(const std::string& source, const std::string& target, const std::string& what) {
    if (CopyFileW(Widen(source).c_str(), Widen(target).c_str(), FALSE)) return;
    const DWORD error = GetLastError();
    throw EOSError(what + " could not be copied to " + target + Because(error), error);
}

}  // namespace

void TfrmMain::mnuTray_AboutClick() {
    const TTrayIconPause pause(*this);
    TfrmKorvaneAbout about(TApplication::Instance().Handle());
    about.AppTitle = ProductTitle;
    about.AppVersion = ProductVersion;
    about.NoticeText = ProductNotice;
    about.ShowModal();
}

void TfrmMain::mnuTray_SettingsClick() {
    const TTrayIconPause pause(*this);
    TfrmSettings settings(TApplication::Instance().Handle());
    // Afresh from the executable: edits to the work copy since start-up are dropped.
    ConfigIniPath = ExtractConfigFile();
    settings.IP = ReadConfigValue("ip");
    settings.Port = ParseIntegerSetting(ReadConfigValue("port"));
    if (settings.ShowModal() != mrOk) return;
    TShellKit::ProcessMessages();  // the dialog's window is gone from the screen first
    HandOverToSetupCopy(settings.IP, settings.Port);
}

// Only a copy that runs can stamp the executable and start it again: each
// step is checked, and when one fails the runner stays as it was, its work
// copy of Config.ini included.
void TfrmMain::HandOverToSetupCopy(const std::string& ip, int port) {
    const auto restoreConfig = [&] { Guarded([&] { ConfigIniPath = ExtractConfigFile(); }); };
    try {
        WriteConfigValue("ip", ip);
        WriteConfigValue("port", std::to_string(port));
    } catch (...) {
        restoreConfig();
        throw;  // "Unable to write to" the file, as it is
    }
    std::string copy, configCopy;
    try {
        copy = MakeTempExeCopy();
        CopyFileOrThrow(ConfigIniPath, copy + ".ini", "The settings");
        configCopy = copy + ".ini";
        const std::string parameters = ModeParameters("/setup", TShellKit::GetExeFileName(), configCopy);
        if (StartSetupCopy(copy, parameters) == 0) {
            const DWORD error = GetLastError();
            throw EOSError("The temporary copy " + copy + " could not be started" + Because(error), error);
        }
    } catch (const std::exception& error) {
        restoreConfig();
        // Nothing runs what we made: no leftovers in the temporary folder.
        for (const std::string& made : {copy, configCopy})
            if (!made.empty()) DeleteFileW(Widen(made).c_str());
        throw Exception(error.what() + std::string(Unchanged));
    }
    Quit();
}

int TfrmMain::StartSetupCopy(const std::string& copy, const std::string& parameters) {
    return TShellKit::StartProcess(copy, parameters, SW_SHOWNORMAL, "");
}

std::string TfrmMain::MakeTempExeCopy() {
    const std::string name = TShellKit::MakeUniqueFileName(TempCopyPrefix, "", TempCopySuffix, 0);
    CopyFileOrThrow(TShellKit::GetExeFileName(), name, "The program");
    TShellKit::SetReadOnlyAttribute(name, false);
    return name;
}
