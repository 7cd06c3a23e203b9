// "rename" source target: puts a freshly built executable in place of a
// running one and starts it.
#include <windows.h>

#include "launcher/Modes.h"
#include "util/ChildProcess.h"
#include "util/Guard.h"
#include "util/RawFile.h"
#include "util/ShellKit.h"
#include "util/Utf.h"

namespace {

constexpr unsigned HandOverPauseMs = 330;
// The runner that handed over is stopping its servers, asking them first and
// waiting up to 5 s: killed before that, its job would take a database server
// down in the middle of its shutdown.
constexpr unsigned RunnerEndLimitMs = 15000;
// A killed process may hold its image file a moment longer.
constexpr int ReleaseTries = 40;
constexpr unsigned ReleasePauseMs = 50;

void WaitForRelease(const std::string& file) {
    for (int i = 0; i < ReleaseTries && TShellKit::IsFileLocked(file); ++i) Sleep(ReleasePauseMs);
}

// Removes the staged copy unless it has taken the target's place.
class TStagedFile {
public:
    explicit TStagedFile(const std::string& path) : path_(Widen(path)) {}
    ~TStagedFile() { if (!placed_) DeleteFileW(path_.c_str()); }
    TStagedFile(const TStagedFile&) = delete;
    TStagedFile& operator=(const TStagedFile&) = delete;

    void Write(const std::string& content) {
        TFile file(Narrow(path_), TFileCreate::CreateAlways, TFileAccess::Write, TFileShare::None);
        file.WriteBuffer(content.data(), static_cast<uint32_t>(content.size()));
        file.Flush();
    }
    void PlaceAs(const std::string& target) {
        if (!MoveFileExW(path_.c_str(), Widen(target).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            RaiseLastFileError();
        placed_ = true;
    }

private:
    std::wstring path_;
    bool placed_ = false;
};

// The new bytes go beside the target and take its place in one step, so the
// target is always either the old program or the new one, never a torn copy.
void ReplaceFileContent(const std::string& target, const std::string& content) {
    TStagedFile staged(target + ".new");
    staged.Write(content);
    staged.PlaceAs(target);
}

}  // namespace

void RunRenameMode(const TCommandLine& args) {
    const std::string& source = args.Arg(2);
    const std::string& target = args.Arg(3);
    TShellKit::ProcessMessagesAndSleep(HandOverPauseMs);
    Guarded([&] { EndFirstProcessByPath(target, RunnerEndLimitMs); });
    const std::string content = TShellKit::ReadFileText(source);
    WaitForRelease(target);
    ReplaceFileContent(target, content);
    TShellKit::DeleteFileQuiet(source);
    TShellKit::StartProcess(target, "", SW_SHOWNORMAL, "");
}
