// Stand-in for the distribution's mysqld.exe: takes its address from the
// [mysqld] section of --defaults-file, the port from --port (which wins), and
// listens there until it is asked to stop or killed. Each client gets one
// greeting line. A narrow-character program like the real one, it ends as
// mysqld does when the defaults file, the data folder or the language folder
// it was given is not there. "ListenAfterMs=n" in its settings (StandinStop.h)
// has it listen, and take requests to stop, only n ms after its start, as a
// server recovering its data would; it notes "listening" with the time
// (SystemTicks) just before it does. "Monitor=1" makes it start as MySQL 8.0
// does on Windows: a monitor (noted "monitor", with its child's id) that
// starts the same program with the same command line and its own id in
// MYSQLD_PARENT_PID, and ends with the child's exit code; the child serves
// and listens for "mysqld<monitor id>_shutdown".
#include <windows.h>

#include <string>

#include "StandinAnsi.h"
#include "StandinNet.h"
#include "StandinStop.h"

namespace {

constexpr int ExitCannotListen = 1;
constexpr int ExitBadSettings = 1;
constexpr int ExitNoChild = 1;
constexpr char ParentIdVariable[] = "MYSQLD_PARENT_PID";

std::string ValueOf(const std::string& arg, const std::string& prefix) {
    return arg.compare(0, prefix.size(), prefix) == 0 ? arg.substr(prefix.size()) : std::string();
}

// The profile service drops the quotes around a value.
std::string ReadMysqldKey(const std::string& file, const char* key) {
    char value[512] = "";
    GetPrivateProfileStringA("mysqld", key, "", value, sizeof value, file.c_str());
    return value;
}

struct TSettings {
    std::string Host = "127.0.0.1";
    int Port = 3306;
    bool Usable = true;
};

TSettings ReadSettings() {
    using namespace standin::ansi;
    TSettings settings;
    std::string portOption;
    for (const std::string& arg : Args()) {
        if (const std::string file = ValueOf(arg, "--defaults-file="); !file.empty()) {
            settings.Usable = settings.Usable && IsFile(file);
            if (const std::string port = ReadMysqldKey(file, "port"); !port.empty()) settings.Port = std::atoi(port.c_str());
            if (const std::string host = ReadMysqldKey(file, "bind-address"); !host.empty()) settings.Host = host;
            const std::string dataDir = ReadMysqldKey(file, "datadir");
            settings.Usable = settings.Usable && (dataDir.empty() || IsFolder(dataDir));
        }
        if (const std::string language = ValueOf(arg, "--language="); !language.empty())
            settings.Usable = settings.Usable && IsFolder(language);
        if (const std::string port = ValueOf(arg, "--port="); !port.empty()) portOption = port;
    }
    if (!portOption.empty()) settings.Port = std::atoi(portOption.c_str());
    return settings;
}

int RunMonitor() {
    const std::string id = std::to_string(GetCurrentProcessId());
    SetEnvironmentVariableA(ParentIdVariable, id.c_str());
    char program[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    std::string commandLine = GetCommandLineA();
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    if (!CreateProcessA(program, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child))
        return ExitNoChild;
    UniqueHandle process(child.hProcess), thread(child.hThread);
    standin::Note("monitor", std::to_string(child.dwProcessId));
    WaitForSingleObject(process.Get(), INFINITE);
    DWORD code = ExitNoChild;
    GetExitCodeProcess(process.Get(), &code);
    return static_cast<int>(code);
}

std::string StopEventName() {
    const std::string monitor = standin::ansi::Env(ParentIdVariable);
    return monitor.empty() ? "MySQLShutdown" + std::to_string(GetCurrentProcessId()) : "mysqld" + monitor + "_shutdown";
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (standin::Setting("Monitor") && standin::ansi::Env(ParentIdVariable).empty()) return RunMonitor();
    const TSettings settings = ReadSettings();
    if (!settings.Usable) return ExitBadSettings;
    standin::TWinsock winsock;
    standin::WaitSinceStart(standin::Setting("ListenAfterMs"));
    standin::Note("listening", std::to_string(standin::SystemTicks()));
    UniqueSocket listener = standin::ListenOn(settings.Host, settings.Port);
    if (!listener) return ExitCannotListen;
    standin::OnStopRequest(StopEventName(), [] {});
    for (;;) {
        UniqueSocket client(accept(listener.Get(), nullptr, nullptr));
        if (client) standin::SendAll(client.Get(), "mysqld stand-in ready\n");
    }
}
