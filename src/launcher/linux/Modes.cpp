// "/setup", "/config", "/icon", "/splash" and "rename" on Linux: the embedded
// data of another copy of the runner rewritten, and a new runner put in place
// of a running one.
#include "launcher/linux/Modes.h"

#include <ftw.h>
#include <gtk/gtk.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "launcher/DownsizeRules.h"
#include "launcher/StampRules.h"
#include "launcher/TargetWait.h"
#include "shell/linux/MessageDialog.h"
#include "server/ServerText.h"
#include "util/Errors.h"
#include "util/Guard.h"
#include "util/linux/Files.h"
#include "util/linux/GObjectPtr.h"
#include "util/linux/ChildProcess.h"
#include "util/linux/Clock.h"
#include "util/linux/Processes.h"

namespace {

constexpr unsigned StampWaitMs = 50;
constexpr unsigned SetupWaitMs = 60;
constexpr unsigned HandOverPauseMs = 330;
// The runner that handed over is stopping its servers (up to 5 s each).
constexpr unsigned RunnerEndLimitMs = 15000;
constexpr unsigned RunnerKillLimitMs = 2000;
constexpr unsigned RenameRetryMs = 50;
constexpr int RenameTries = 40;

void Sleep(unsigned milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

std::string ModuleName() {
    std::string path = "vadrome";
    Guarded([&] { path = LinuxFiles::ExeFileName(); });
    return path.substr(path.find_last_of('/') + 1);
}

// The "Application Error" box (on a display) and the same text on stderr.
void ShowModeError(const std::exception& error) {
    const auto* ours = dynamic_cast<const Exception*>(&error);
    const std::string text = "Exception " + std::string(ours ? ours->ClassName() : "Exception") + " in module " +
                             ModuleName() +
                             ".\n" + WithFinalPeriod(error.what());
    std::fprintf(stderr, "%s\n", text.c_str());
    if (gtk_init_check(nullptr, nullptr)) ShowMessageDialog(nullptr, text, "Application Error", GTK_MESSAGE_ERROR);
}

// Waits while a process runs the target: a runner only lets go of its file
// by ending. Throws once the limit has passed.
void WaitUntilFree(const std::string& target, unsigned pauseMs) {
    const auto start = std::chrono::steady_clock::now();
    while (!HoldProcessesRunning(target).empty()) {
        if (std::chrono::steady_clock::now() - start > std::chrono::seconds(TargetInUseLimitSeconds))
            throw EFileError(TargetInUseText(target), ETXTBSY);
        Sleep(pauseMs);
    }
}

void RunStamp(TMode mode, const std::string& target, const std::string& source) {
    WaitUntilFree(target, StampWaitMs);
    const std::string bytes = LinuxFiles::ReadFile(source);
    if (mode == TMode::Icon)
        if (const std::string problem = IconFileProblem(bytes); !problem.empty())
            throw Exception("Resource update error: " + problem);
    LinuxFiles::StampEmbeddedEntry(target, StampedEntryOf(mode), bytes);
    // Read back: a stamp that did not take must not pass for one that did.
    if (!StampTook(0, LinuxFiles::ReadEmbeddedEntry(target, StampedEntryOf(mode)), bytes))
        throw Exception("The " + std::string(StampedEntryOf(mode)) + " stamped into \"" + target + "\" did not take");
}

bool HasFileArg(const TCommandLine& args, int index) {
    return args.Count() >= index && LinuxFiles::FileExists(args.Arg(index));
}

int RunStampingChild(const char* mode, const std::string& target, const std::string& source) {
    return RunAndWait({LinuxFiles::ExeFileName(), mode, target, source});
}

void OpenUnlessAsked(const TCommandLine& args, const std::string& target) {
    if (args.Count() < 6) Guarded([&] { StartDetached({target}); });
}

// The address change's copy goes with its folder once its work is done: a
// running program's file can go on Linux, and nobody else would remove it.
void RemoveOwnTempCopy(const TCommandLine& args) {
    const std::string self = LinuxFiles::ExeFileName(), folder = LinuxFiles::DirectoryOf(self);
    const std::string folderName = folder.substr(folder.find_last_of('/') + 1);
    if (self != folder + "/" + TempCopyFileName || folderName.rfind(TempCopyFolderPrefix, 0) != 0) return;
    if (args.Count() >= 3 && args.Arg(3) == self + ".ini") ::unlink(args.Arg(3).c_str());
    ::unlink(self.c_str());
    ::rmdir(folder.c_str());
}

int RunSetup(const TCommandLine& args) {
    const std::string& target = args.Arg(2);
    try {
        WaitUntilFree(target, SetupWaitMs);
    } catch (const std::exception& error) {
        // The stamps could only fail the same way; the target still starts.
        ShowModeError(error);
        OpenUnlessAsked(args, target);
        RemoveOwnTempCopy(args);
        return 1;
    }
    bool settingsTook = true;
    if (HasFileArg(args, 3)) {
        const int code = RunStampingChild("/config", target, args.Arg(3));
        settingsTook = StampTook(code, LinuxFiles::ReadEmbeddedEntry(target, ConfigEntryName), LinuxFiles::ReadFile(args.Arg(3)));
    }
    if (HasFileArg(args, 4)) RunStampingChild("/icon", target, args.Arg(4));
    if (HasFileArg(args, 5)) RunStampingChild("/splash", target, args.Arg(5));
    if (!settingsTook)
        ShowModeError(Exception("The new settings could not be stamped into \"" + target +
                                "\". It starts with the settings it had"));
    OpenUnlessAsked(args, target);
    RemoveOwnTempCopy(args);
    return settingsTook ? 0 : 1;
}

// The runner that handed over ends by itself; one that does not is ended.
void EndRunnerOf(const std::string& target) {
    const auto start = std::chrono::steady_clock::now();
    while (!HoldProcessesRunning(target).empty() &&
           std::chrono::steady_clock::now() - start < std::chrono::milliseconds(RunnerEndLimitMs))
        Sleep(StampWaitMs);
    EndHeldProcesses(HoldProcessesRunning(target), RunnerKillLimitMs);
}

// rename(2) puts the new file in place in one step: the target is always the
// old program or the new one, never a torn copy.
void PlaceNewExe(const std::string& source, const std::string& target) {
    if (!LinuxFiles::FileExists(source)) throw EFileError("Cannot find file \"" + source + "\"", ENOENT);
    for (int attempt = 1;; ++attempt) {
        if (::rename(source.c_str(), target.c_str()) == 0) return;
        const int error = errno;
        if (attempt >= RenameTries || (error != EBUSY && error != ETXTBSY && error != EAGAIN))
            throw EFileError("Cannot replace file \"" + target + "\" with \"" + source + "\". " + std::strerror(error),
                             static_cast<unsigned>(error));
        Sleep(RenameRetryMs);
    }
}

int RunRename(const TCommandLine& args) {
    const std::string& source = args.Arg(2);
    const std::string& target = args.Arg(3);
    Sleep(HandOverPauseMs);
    Guarded([&] { EndRunnerOf(target); });
    try {
        PlaceNewExe(source, target);
    } catch (const std::exception& error) {
        // The user learns what failed and gets the runner back as it was.
        ShowModeError(error);
        Guarded([&] { StartDetached({target}); });
        return 1;
    }
    StartDetached({target});
    return 0;
}

std::string AppFile(const char* relative) {
    std::string path = LinuxFiles::DirectoryOf(LinuxFiles::ExeFileName()) + "/" + relative;
    for (char& c : path)
        if (c == '\\') c = '/';
    return path;
}

// The folder and everything in it; links are removed, never followed.
void RemoveFolder(const std::string& folder) {
    ::nftw(folder.c_str(), [](const char* path, const struct stat*, int, FTW*) { return ::remove(path), 0; }, 16,
           FTW_DEPTH | FTW_PHYS);
}

void RemoveDownsizeItem(const TDownsizeItem& item) {
    switch (item.Kind) {
    case TDownsizeItemKind::File: LinuxFiles::RemoveFile(AppFile(item.Path)); break;
    case TDownsizeItemKind::Folder: RemoveFolder(AppFile(item.Path)); break;
    case TDownsizeItemKind::Favorite: {
        const std::string favorites = AppFile(DownsizeFavoritesFile), entry = item.Path;
        if (!LinuxFiles::FileExists(favorites)) break;  // not made by the removal
        const size_t split = entry.find('\\');
        const std::string text = LinuxFiles::ReadFile(favorites);
        const std::string left = DeleteIniKey(text, entry.substr(0, split), entry.substr(split + 1));
        if (left != text) LinuxFiles::WriteFileReplacing(favorites, left, 0644);
        break;
    }
    }
}

// Waits until no other process runs this executable (a runner, its splash),
// removes the components the flags name and the libraries nobody needs, and
// starts the runner again.
int RunDownsize(const TCommandLine& args) {
    const std::string self = LinuxFiles::ExeFileName();
    const long long deadline = MonotonicMs() + AloneWaitLimitMs;
    while (!HoldProcessesRunning(self).empty()) {
        if (MonotonicMs() >= deadline) throw Exception(DownsizeBusyText(self));
        Sleep(SetupWaitMs);
    }
    Sleep(SetupWaitMs);
    const auto& rows = DownsizeRows();
    for (size_t i = 0; i < rows.size(); ++i)
        if (DownsizeFlagDeletes(args, FirstDownsizeFlag + static_cast<int>(i)))
            Guarded([&] {
                for (const TDownsizeItem& item : rows[i]) RemoveDownsizeItem(item);
            });
    for (const TLibraryRule& rule : SharedLibraryRules()) {
        bool used = false;
        for (const char* user : rule.Users) used = used || LinuxFiles::FileExists(AppFile(user));
        if (!used)
            Guarded([&] {
                for (const char* library : rule.Libraries) LinuxFiles::RemoveFile(AppFile(library));
            });
    }
    StartDetached({self});
    return 0;
}

int RunSingleStamp(TMode mode, const TCommandLine& args) {
    const std::string& target = args.Arg(2);
    if (!LinuxFiles::FileExists(target) || !HasFileArg(args, 3)) return 0;
    RunStamp(mode, target, args.Arg(3));
    return 0;
}

int RunMode(TMode mode, const TCommandLine& args) {
    switch (mode) {
    case TMode::Rename: return RunRename(args);
    case TMode::Downsize: return RunDownsize(args);
    case TMode::Setup: return LinuxFiles::FileExists(args.Arg(2)) ? RunSetup(args) : 0;
    case TMode::Config:
    case TMode::Icon:
    case TMode::SplashImage: return RunSingleStamp(mode, args);
    default: return 0;
    }
}

}  // namespace

int RunCommandLineMode(const TCommandLine& args) {
    try {
        return RunMode(RoutedMode(args), args);
    } catch (const std::exception& error) {
        ShowModeError(error);
        return 1;
    }
}

void RemoveLeftOverRenamer() {
    const std::string renamer = LinuxFiles::DirectoryOf(LinuxFiles::ExeFileName()) + "/" + RenamerFileName;
    if (!LinuxFiles::FileExists(renamer)) return;
    Sleep(HandOverPauseMs);
    Guarded([&] { EndHeldProcesses(HoldProcessesRunning(renamer), RunnerKillLimitMs); });
    Guarded([&] { LinuxFiles::RemoveFile(renamer); });
}

void StartDetached(const std::vector<std::string>& arguments) {
    TSpawnOptions options;
    options.Arguments = arguments;
    options.KeepOutput = true;
    options.EndWithParent = false;
    SpawnChild(options).Release();
}

namespace {

constexpr unsigned ChildPollMs = 20;

// While a child works, the runner's windows stay drawn and take no input.
class TBusyWindows {
public:
    TBusyWindows() {
        GList* windows = gtk_window_list_toplevels();
        for (GList* item = windows; item; item = item->next) {
            GtkWidget* window = GTK_WIDGET(item->data);
            if (!gtk_widget_get_sensitive(window)) continue;
            gtk_widget_set_sensitive(window, FALSE);
            windows_.push_back(GObjectPtr<GtkWidget>::RefSink(window));
        }
        g_list_free(windows);
    }
    ~TBusyWindows() {
        for (const GObjectPtr<GtkWidget>& window : windows_) gtk_widget_set_sensitive(window.Get(), TRUE);
    }
    TBusyWindows(const TBusyWindows&) = delete;
    TBusyWindows& operator=(const TBusyWindows&) = delete;

private:
    std::vector<GObjectPtr<GtkWidget>> windows_;
};

}  // namespace

int RunAndWait(const std::vector<std::string>& arguments) {
    TSpawnOptions options;
    options.Arguments = arguments;
    options.KeepOutput = true;
    options.OwnProcessGroup = false;
    TChildProcess child = SpawnChild(options);
    const TBusyWindows busy;
    while (child.Running()) {
        while (g_main_context_iteration(nullptr, FALSE)) {
        }
        Sleep(ChildPollMs);
    }
    const int status = child.ExitStatus().value_or(-1);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
