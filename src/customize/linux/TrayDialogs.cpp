// Change IP Address or Port from the tray menu, with its hand-over to a copy
// of the executable in a private folder of the temporary folder.
#include <stdlib.h>

#include <cerrno>
#include <cstring>

#include "customize/linux/SettingsForm.h"
#include "launcher/linux/Modes.h"
#include "server/ServerText.h"
#include "shell/linux/MainForm.h"
#include "util/Errors.h"
#include "util/Guard.h"
#include "util/linux/Files.h"

namespace {

const char Unchanged[] = ". The address and port stay as they were";

std::string TempDir() {
    const char* temp = std::getenv("TMPDIR");
    return temp && temp[0] == '/' ? temp : "/tmp";
}

// A folder only this user can enter, made afresh: nobody can put a file of
// theirs where the copy runs, or swap the copy.
std::string MakePrivateFolder() {
    std::string pattern = TempDir() + "/" + TempCopyFolderPrefix + "XXXXXX";
    if (!::mkdtemp(pattern.data()))
        throw EOSError("The folder for the program's copy could not be made in " + TempDir() + ": " +
                           std::strerror(errno),
                       static_cast<unsigned>(errno));
    return pattern;
}

}  // namespace

void TfrmMain::mnuTray_SettingsClick() {
    const TTrayIconPause pause(*this);
    TfrmSettings settings(gtk_widget_get_visible(GTK_WIDGET(Handle())) ? Handle() : nullptr);
    // Afresh from the executable: edits to the work copy since start-up are dropped.
    ConfigIniPath = ExtractConfigFile();
    settings.IP = ReadConfigValue("ip");
    settings.Port = ParseIntegerSetting(ReadConfigValue("port"));
    if (settings.ShowModal() != mrOk) return;
    while (gtk_events_pending()) gtk_main_iteration_do(FALSE);  // the dialog is gone from the screen first
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
        throw;
    }
    std::string folder, copy, configCopy;
    try {
        folder = MakePrivateFolder();
        copy = folder + "/" + TempCopyFileName;
        LinuxFiles::WriteFileReplacing(copy, LinuxFiles::ReadFile(LinuxFiles::ExeFileName()), 0700, true);
        configCopy = copy + ".ini";
        LinuxFiles::WriteFileReplacing(configCopy, LinuxFiles::ReadFile(ConfigIniPath));
        StartDetached({copy, "/setup", LinuxFiles::ExeFileName(), configCopy});
    } catch (const std::exception& error) {
        restoreConfig();
        // Nothing runs what we made: no leftovers in the temporary folder.
        for (const std::string& made : {configCopy, copy})
            if (!made.empty()) Guarded([&] { LinuxFiles::RemoveFile(made); });
        if (!folder.empty()) ::rmdir(folder.c_str());
        throw Exception(error.what() + std::string(Unchanged));
    }
    Quit();
}
