// Stand-in for the distribution's mysqld.exe: takes its address from the
// [mysqld] section of --defaults-file, the port from --port (which wins), and
// listens there until it is killed. Each client gets one greeting line. A
// narrow-character program like the real one, it ends as mysqld does when the
// defaults file, the data folder or the language folder it was given is not there.
#include <windows.h>

#include <string>

#include "StandinAnsi.h"
#include "StandinNet.h"

namespace {

constexpr int ExitCannotListen = 1;
constexpr int ExitBadSettings = 1;

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

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const TSettings settings = ReadSettings();
    if (!settings.Usable) return ExitBadSettings;
    standin::TWinsock winsock;
    UniqueSocket listener = standin::ListenOn(settings.Host, settings.Port);
    if (!listener) return ExitCannotListen;
    for (;;) {
        UniqueSocket client(accept(listener.Get(), nullptr, nullptr));
        if (client) standin::SendAll(client.Get(), "mysqld stand-in ready\n");
    }
}
