// Stand-in for the distribution's mysqld.exe: takes its address from the
// [mysqld] section of --defaults-file, the port from --port (which wins), and
// listens there until it is asked to stop or killed. Each client gets one
// greeting line.
#include <windows.h>

#include <string>

#include "StandinNet.h"
#include "StandinStop.h"
#include "util/Utf.h"

namespace {

constexpr int ExitCannotListen = 1;

std::string ValueOf(const std::string& arg, const std::string& prefix) {
    return arg.compare(0, prefix.size(), prefix) == 0 ? arg.substr(prefix.size()) : std::string();
}

std::string ReadMysqldKey(const std::string& file, const char* key) {
    wchar_t value[512] = L"";
    GetPrivateProfileStringW(L"mysqld", Widen(key).c_str(), L"", value, 512, Widen(file).c_str());
    return Narrow(value);
}

struct TAddress {
    std::string Host = "127.0.0.1";
    int Port = 3306;
};

TAddress ReadAddress() {
    TAddress address;
    std::string portOption;
    for (const std::string& arg : standin::CommandLineArgs()) {
        if (const std::string file = ValueOf(arg, "--defaults-file="); !file.empty()) {
            if (const std::string port = ReadMysqldKey(file, "port"); !port.empty()) address.Port = std::atoi(port.c_str());
            if (const std::string host = ReadMysqldKey(file, "bind-address"); !host.empty()) address.Host = host;
        }
        if (const std::string port = ValueOf(arg, "--port="); !port.empty()) portOption = port;
    }
    if (!portOption.empty()) address.Port = std::atoi(portOption.c_str());
    return address;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    const TAddress address = ReadAddress();
    standin::TWinsock winsock;
    UniqueSocket listener = standin::ListenOn(address.Host, address.Port);
    if (!listener) return ExitCannotListen;
    standin::OnStopRequest("MySQLShutdown" + std::to_string(GetCurrentProcessId()), [] {});
    for (;;) {
        UniqueSocket client(accept(listener.Get(), nullptr, nullptr));
        if (client) standin::SendAll(client.Get(), "mysqld stand-in ready\n");
    }
}
