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

std::string FolderOf(const std::string& path) { return path.substr(0, path.find_last_of('\\')); }

// What an earlier change left in its folder goes, unless its copy still runs;
// true when the folder is gone. Only a plain folder is emptied, never what a
// link points to.
bool RemoveLeftOverCopy(const std::string& folder, const std::string& copy) {
    const DWORD attributes = GetFileAttributesW(Widen(folder).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return false;
    DeleteFileW(Widen(copy + ".ini").c_str());
    DeleteFileW(Widen(copy).c_str());
    return RemoveDirectoryW(Widen(folder).c_str()) != FALSE;
}

// The copy's path, in a folder of the temporary folder that this call made:
// the copy must not run beside DLLs another program put in the temporary folder.
std::string NewTempCopyPath() {
    const std::string temp = TShellKit::GetTempDir();
    for (int counter = 0;; ++counter) {
        const std::string name = TempCopyPrefix + std::to_string(counter);
        const std::string folder = temp + "\\" + name, copy = folder + "\\" + name + TempCopySuffix;
        if (CreateDirectoryW(Widen(folder).c_str(), nullptr)) return copy;
        const DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS)
            throw EOSError("The folder " + folder + " for the program's copy could not be made" + Because(error), error);
        if (RemoveLeftOverCopy(folder, copy) && CreateDirectoryW(Widen(folder).c_str(), nullptr)) return copy;
    }
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
        for (const std::string& made : {configCopy, copy})
            if (!made.empty()) DeleteFileW(Widen(made).c_str());
        if (!copy.empty()) RemoveDirectoryW(Widen(FolderOf(copy)).c_str());
        throw Exception(error.what() + std::string(Unchanged));
    }
    Quit();
}

int TfrmMain::StartSetupCopy(const std::string& copy, const std::string& parameters) {
    return TShellKit::StartProcess(copy, parameters, SW_SHOWNORMAL, "");
}

std::string TfrmMain::MakeTempExeCopy() {
    const std::string name = NewTempCopyPath();
    try {
        CopyFileOrThrow(TShellKit::GetExeFileName(), name, "The program");
    } catch (...) {
        RemoveDirectoryW(Widen(FolderOf(name)).c_str());
        throw;
    }
    TShellKit::SetReadOnlyAttribute(name, false);
    return name;
}
