// "/setup", "/config", "/icon" and "/splash": rewrite the resources of another
// copy of the executable once that copy is free.
#include <windows.h>
#include <shellapi.h>

#include "launcher/Modes.h"
#include "util/Guard.h"
#include "util/ShellKit.h"
#include "util/Utf.h"

namespace {

constexpr unsigned StampWaitMs = 50;
constexpr unsigned SetupWaitMs = 60;

// A read-only target would count as locked for ever: the attribute is cleared on each pass.
void WaitUntilFree(const std::string& target, unsigned pauseMs) {
    while (TShellKit::IsFileLocked(target)) {
        Guarded([&] {
            TShellKit::ProcessMessagesAndSleep(pauseMs);
            TShellKit::SetReadOnlyAttribute(target, false);
        });
    }
}

bool HasFileArg(const TCommandLine& args, int index) {
    return args.Count() >= index && TShellKit::FileExists(args.Arg(index));
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

void RunStampingChild(const std::string& mode, const std::string& target, const std::string& source) {
    TShellKit::RunAndWait(TShellKit::GetExeFileName(), mode + " " + Quoted(target) + " " + Quoted(source),
                          SW_SHOWNORMAL, "");
}

void RunSetup(const TCommandLine& args) {
    const std::string& target = args.Arg(2);
    WaitUntilFree(target, SetupWaitMs);
    if (HasFileArg(args, 3)) RunStampingChild("/config", target, args.Arg(3));
    if (HasFileArg(args, 4)) RunStampingChild("/icon", target, args.Arg(4));
    if (HasFileArg(args, 5)) RunStampingChild("/splash", target, args.Arg(5));
    if (args.Count() < 6)
        ShellExecuteW(nullptr, L"open", Widen(target).c_str(), nullptr, nullptr, SW_SHOW);
}

void StampRcData(const std::string& target, const std::string& source, const std::string& resource) {
    WaitUntilFree(target, StampWaitMs);
    TShellKit::WriteRcDataResource(target, resource, TShellKit::ReadFileText(source));
}

void StampIcon(const std::string& target, const std::string& icon) {
    WaitUntilFree(target, StampWaitMs);
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
