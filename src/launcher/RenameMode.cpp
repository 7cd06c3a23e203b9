// "rename" source target: puts a freshly built executable in place of a
// running one and starts it.
#include <windows.h>

#include "launcher/LastResort.h"
#include "launcher/Modes.h"
#include "util/Errors.h"
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
constexpr unsigned ReleasePauseMs = 50;

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
    const std::string stagedPath = target + ".new";
    TStagedFile staged(stagedPath);
    try {
        staged.Write(content);
    } catch (const EFileError& error) {
        throw EFileError("Cannot write file \"" + stagedPath + "\". " + error.what(), error.Code);
    }
    try {
        staged.PlaceAs(target);
    } catch (const EFileError& error) {
        throw EFileError("Cannot replace file \"" + target + "\". " + error.what(), error.Code);
    }
}

bool StartTarget(const std::string& target) { return TShellKit::StartProcess(target, "", SW_SHOWNORMAL, "") != 0; }

// The user learns what failed and gets the runner back as it was.
[[noreturn]] void GiveUp(const std::exception& error, const std::string& target) {
    ShowEscapedError(&error);
    StartTarget(target);
    ExitProcess(1);
}

}  // namespace

void RunRenameMode(const TCommandLine& args) {
    const std::string& source = args.Arg(2);
    const std::string& target = args.Arg(3);
    TShellKit::ProcessMessagesAndSleep(HandOverPauseMs);
    Guarded([&] { EndFirstProcessByPath(target, RunnerEndLimitMs); });
    std::string oldContent;
    try {
        const std::string content = TShellKit::ReadFileText(source);
        if (TShellKit::FileExists(target)) {
            // A scanner may hold the old image a while after its process ended.
            WaitUntilWritable(target, ReleasePauseMs);
            oldContent = TShellKit::ReadFileText(target);
        }
        ReplaceFileContent(target, content);
    } catch (const std::exception& error) {
        GiveUp(error, target);
    }
    TShellKit::DeleteFileQuiet(source);
    if (StartTarget(target)) return;
    // A scanner may take the new program away as it starts: the old one comes back.
    const DWORD startError = GetLastError();
    std::string reason;
    if (startError) reason.append(" ").append(LastErrorText(startError));
    const EOSError error("Cannot start file \"" + target + "\"." + reason, startError);
    if (oldContent.empty()) HandleEscapedError(&error);
    Guarded([&] { ReplaceFileContent(target, oldContent); });
    GiveUp(error, target);
}
