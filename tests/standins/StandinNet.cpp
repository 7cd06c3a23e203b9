#include "StandinNet.h"

#include <ws2tcpip.h>
#include <shellapi.h>

#include "StandinText.h"
#include "util/Utf.h"

namespace standin {

TWinsock::TWinsock() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
}

TWinsock::~TWinsock() { WSACleanup(); }

namespace {

std::optional<sockaddr_in> MakeAddress(const std::string& host, int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    const std::string numeric = host == "localhost" ? "127.0.0.1" : host;
    if (inet_pton(AF_INET, numeric.c_str(), &address.sin_addr) != 1) return std::nullopt;
    return address;
}

void SetTimeouts(SOCKET socket, unsigned timeoutMs) {
    const DWORD value = timeoutMs;
    setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&value), sizeof value);
    setsockopt(socket, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&value), sizeof value);
}

}  // namespace

UniqueSocket ListenOn(const std::string& host, int port) {
    const auto address = MakeAddress(host, port);
    if (!address) return {};
    UniqueSocket listener(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    if (!listener) return {};
    // A port that someone else holds must fail here, as it does for the real server.
    BOOL exclusive = TRUE;
    setsockopt(listener.Get(), SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive),
               sizeof exclusive);
    if (bind(listener.Get(), reinterpret_cast<const sockaddr*>(&*address), sizeof *address) != 0) return {};
    if (listen(listener.Get(), SOMAXCONN) != 0) return {};
    return listener;
}

UniqueSocket ConnectTo(const std::string& host, int port, unsigned timeoutMs) {
    const auto address = MakeAddress(host, port);
    if (!address) return {};
    UniqueSocket connection(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    if (!connection) return {};
    SetTimeouts(connection.Get(), timeoutMs);
    if (connect(connection.Get(), reinterpret_cast<const sockaddr*>(&*address), sizeof *address) != 0)
        return {};
    return connection;
}

bool SendAll(SOCKET socket, const std::string& data) {
    size_t sent = 0;
    while (sent < data.size()) {
        const int n = send(socket, data.data() + sent, static_cast<int>(data.size() - sent), 0);
        if (n <= 0) return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

std::string ReceiveAll(SOCKET socket, size_t limit) {
    std::string data;
    char buffer[4096];
    while (data.size() < limit) {
        const int n = recv(socket, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        data.append(buffer, static_cast<size_t>(n));
    }
    return data;
}

std::string ReceiveHead(SOCKET socket) {
    std::string head;
    char c;
    while (head.size() < 16384 && head.find("\r\n\r\n") == std::string::npos &&
           head.find("\n\n") == std::string::npos) {
        if (recv(socket, &c, 1, 0) != 1) break;
        head += c;
    }
    return head;
}

std::string THttpResponse::Header(const std::string& name) const {
    const std::string wanted = LowerAscii(name) + ":";
    size_t start = Head.find('\n');
    while (start != std::string::npos && start + 1 < Head.size()) {
        const size_t end = Head.find('\n', start + 1);
        const std::string line = Head.substr(start + 1, end == std::string::npos ? end : end - start - 1);
        if (LowerAscii(line.substr(0, wanted.size())) == wanted) return Trim(line.substr(wanted.size()));
        start = end;
    }
    return {};
}

std::optional<THttpResponse> HttpRequest(const std::string& host, int port, const std::string& method,
                                         const std::string& path, unsigned timeoutMs) {
    UniqueSocket connection = ConnectTo(host, port, timeoutMs);
    if (!connection) return std::nullopt;
    const std::string request = method + " " + path + " HTTP/1.0\r\nHost: " + host + ":" +
                                std::to_string(port) + "\r\nConnection: close\r\n\r\n";
    if (!SendAll(connection.Get(), request)) return std::nullopt;
    const std::string raw = ReceiveAll(connection.Get(), 64 << 20);
    const auto split = raw.find("\r\n\r\n");
    if (raw.compare(0, 5, "HTTP/") != 0 || split == std::string::npos) return std::nullopt;
    THttpResponse response;
    response.Head = raw.substr(0, split);
    response.Body = raw.substr(split + 4);
    const auto space = raw.find(' ');
    response.Status = std::atoi(raw.c_str() + space + 1);
    return response;
}

std::vector<std::string> CommandLineArgs() {
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 0; argv && i < count; ++i) args.push_back(Narrow(argv[i]));
    LocalFree(argv);
    return args;
}

std::string ModulePath() {
    wchar_t path[MAX_PATH * 4];
    const DWORD n = GetModuleFileNameW(nullptr, path, static_cast<DWORD>(std::size(path)));
    return Narrow(std::wstring_view(path, n));
}

std::optional<std::string> ReadAll(const UniqueHandle& file) {
    if (!file) return std::nullopt;
    std::string data;
    char buffer[65536];
    DWORD n = 0;
    while (ReadFile(file.Get(), buffer, sizeof buffer, &n, nullptr) && n > 0) data.append(buffer, n);
    return data;
}

bool AppendAll(const UniqueHandle& file, const std::string& text) {
    DWORD written = 0;
    return file && WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    return ReadAll(UniqueHandle(CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)));
}

void AppendToFile(const std::string& path, const std::string& text) {
    AppendAll(UniqueHandle(CreateFileW(Widen(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)),
              text);
}

UniqueHandle StartHidden(const std::string& exe, const std::string& params) {
    std::wstring commandLine = L"\"" + Widen(exe) + L"\" " + Widen(params);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(Widen(exe).c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
        return {};
    CloseHandle(info.hThread);
    return UniqueHandle(info.hProcess);
}

}  // namespace standin

namespace standin {

std::string HostPath(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

namespace {

// Lower-cased short form: one spelling of a path whether a process was
// started by its long or its short form (Windows reports it as started).
std::wstring Identity(const std::wstring& path) {
    wchar_t full[MAX_PATH * 2], shortForm[MAX_PATH * 2];
    DWORD n = GetFullPathNameW(path.c_str(), MAX_PATH * 2, full, nullptr);
    std::wstring identity = n > 0 && n < MAX_PATH * 2 ? std::wstring(full, n) : path;
    n = GetShortPathNameW(identity.c_str(), shortForm, MAX_PATH * 2);
    if (n > 0 && n < MAX_PATH * 2) identity.assign(shortForm, n);
    CharLowerBuffW(identity.data(), static_cast<DWORD>(identity.size()));
    return identity;
}

std::wstring ImagePathOf(DWORD id) {
    UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
    if (!process) return {};
    wchar_t path[MAX_PATH * 2];
    DWORD size = MAX_PATH * 2;
    if (!QueryFullProcessImageNameW(process.Get(), 0, path, &size)) return {};
    return std::wstring(path, size);
}

template <class Match>
std::vector<DWORD> ProcessesWhose(Match matchImagePath) {
    std::vector<DWORD> ids;
    UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = snapshot && Process32FirstW(snapshot.Get(), &entry); more;
         more = Process32NextW(snapshot.Get(), &entry)) {
        if (matchImagePath(ImagePathOf(entry.th32ProcessID))) ids.push_back(entry.th32ProcessID);
    }
    return ids;
}

}  // namespace

std::vector<DWORD> ProcessesRunning(const std::string& exe) {
    const std::wstring wanted = Identity(Widen(exe));
    return ProcessesWhose([&](const std::wstring& image) { return !image.empty() && Identity(image) == wanted; });
}

std::vector<DWORD> ProcessesInFolder(const std::string& folder) {
    const std::wstring prefix = Identity(Widen(folder)) + L"\\";
    return ProcessesWhose([&](const std::wstring& image) { return Identity(image).starts_with(prefix); });
}

bool ProcessAlive(DWORD id) {
    UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, id));
    return process && WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT;
}

void Kill(DWORD id) {
    UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
    if (!process) return;
    TerminateProcess(process.Get(), 0);
    WaitForSingleObject(process.Get(), 5000);
}

int FreePort() {
    TWinsock winsock;
    UniqueSocket probe = ListenOn("127.0.0.1", 0);
    sockaddr_in address{};
    int size = sizeof address;
    getsockname(probe.Get(), reinterpret_cast<sockaddr*>(&address), &size);
    return ntohs(address.sin_port);
}

std::string MakeTempFolder(const std::string& prefix) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    static unsigned counter = 0;
    for (;;) {
        const std::string folder = Narrow(temp) + prefix + std::to_string(GetCurrentProcessId()) + "-" +
                                   std::to_string(++counter);
        if (CreateDirectoryW(Widen(folder).c_str(), nullptr)) return folder;
        if (GetLastError() != ERROR_ALREADY_EXISTS) return {};
    }
}

void WriteWholeFile(const std::string& path, const std::string& text) {
    UniqueHandle file(CreateFileW(Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (file) WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

}  // namespace standin
