// "/setup", "/config", "/icon" and "/splash": rewrite the resources of another
// copy of the executable once that copy is free.
#include <windows.h>

#include "launcher/LastResort.h"
#include "launcher/Modes.h"
#include "launcher/StampRules.h"
#include "launcher/TargetWait.h"
#include "util/ChildProcess.h"
#include "util/Errors.h"
#include "util/Guard.h"
#include "util/Handles.h"
#include "util/ResourceUpdate.h"
#include "util/ShellKit.h"
#include "util/Utf.h"

namespace {

constexpr unsigned StampWaitMs = 50;
constexpr unsigned SetupWaitMs = 60;

// The platform's error from opening the target for exclusive writing; 0 when it opened.
DWORD ExclusiveWriteError(const std::string& target) {
    // A read-only attribute alone must not count: it is cleared on each try.
    TShellKit::SetReadOnlyAttribute(target, false);
    UniqueHandle handle(CreateFileW(Widen(target).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return handle ? ERROR_SUCCESS : GetLastError();
}

EFileError TargetError(const std::string& target, DWORD error) {
    if (IsInUseError(error))
        return EFileError(TargetInUseText(target) + ". " + LastErrorText(error), error);
    return EFileError("Cannot write file \"" + target + "\". " + LastErrorText(error), error);
}

}  // namespace

void WaitUntilWritable(const std::string& target, unsigned pauseMs) {
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        const DWORD error = ExclusiveWriteError(target);
        switch (NextTargetWaitStep(error, GetTickCount64() - start, TargetInUseLimitSeconds * 1000ull)) {
        case TTargetWaitStep::Write:
            return;
        case TTargetWaitStep::Wait:
            TShellKit::ProcessMessagesAndSleep(pauseMs);
            break;
        case TTargetWaitStep::GiveUp:
            throw TargetError(target, error);
        }
    }
}

namespace {

bool HasFileArg(const TCommandLine& args, int index) {
    return args.Count() >= index && TShellKit::FileExists(args.Arg(index));
}

// The child's exit code; none when it could not be started.
std::optional<unsigned long> RunStampingChild(const std::string& mode, const std::string& target,
                                              const std::string& source) {
    return RunAndWaitForExitCode(TShellKit::GetExeFileName(), ModeParameters(mode, target, source), SW_SHOWNORMAL,
                                 "");
}

void OpenUnlessAsked(const TCommandLine& args, const std::string& target) {
    if (args.Count() < 6) OpenApprovedProgram(target, SW_SHOW);
}

// The user said Yes to new settings: a child that failed, or one that ended
// well while the resource stayed as it was, must not pass for a change.
bool SettingsTook(const std::string& target, const std::string& config, std::optional<unsigned long> exitCode) {
    const std::optional<int> code = exitCode ? std::optional<int>(static_cast<int>(*exitCode)) : std::nullopt;
    return StampTook(code, ReadRcDataOf(target, ConfigEntryName), TShellKit::ReadFileText(config));
}

void RunSetup(const TCommandLine& args) {
    const std::string& target = args.Arg(2);
    try {
        WaitUntilWritable(target, SetupWaitMs);
    } catch (const std::exception& error) {
        // The stamps could only fail the same way. The user learns why, and
        // the target still starts: a runner that quit for this comes back unchanged.
        ShowEscapedError(&error);
        OpenUnlessAsked(args, target);
        ExitProcess(1);
    }
    bool settingsTook = true;
    if (HasFileArg(args, 3))
        settingsTook = SettingsTook(target, args.Arg(3), RunStampingChild("/config", target, args.Arg(3)));
    if (HasFileArg(args, 4)) RunStampingChild("/icon", target, args.Arg(4));
    if (HasFileArg(args, 5)) RunStampingChild("/splash", target, args.Arg(5));
    if (!settingsTook) {
        const Exception error("The new settings could not be stamped into \"" + target +
                              "\". It keeps the settings it had.");
        ShowEscapedError(&error);
    }
    OpenUnlessAsked(args, target);
    if (!settingsTook) ExitProcess(1);
}

void StampRcData(const std::string& target, const std::string& source, const std::string& resource) {
    WaitUntilWritable(target, StampWaitMs);
    if (TShellKit::WriteRcDataResource(target, resource, TShellKit::ReadFileText(source))) return;
    const DWORD error = GetLastError();
    throw EOSError("Cannot write resource " + resource + " into file \"" + target + "\"." +
                       (error ? " " + LastErrorText(error) : ""),
                   error);
}

void StampIcon(const std::string& target, const std::string& icon) {
    WaitUntilWritable(target, StampWaitMs);
    TShellKit::ReplaceExeIcon(target, icon);
}

}  // namespace

void RunStampingModes(const TCommandLine& args) {
    const std::string mode = args.ModeName();
    const std::string& target = args.Arg(2);
    if (!TShellKit::FileExists(target)) return;
    if (mode == "/setup") {
        Guarded([&] { RunSetup(args); });
        return;
    }
    // The single stamps let their errors through to the last-resort handler.
    if (!HasFileArg(args, 3)) return;
    const std::string& source = args.Arg(3);
    if (mode == "/config") StampRcData(target, source, "RES_CONFIG_INI");
    if (mode == "/icon") StampIcon(target, source);
    if (mode == "/splash") StampRcData(target, source, "RES_SPLASH");
}
