// Stand-in for the distribution's Apache.exe in tests and the demo. Behaves
// as the runner expects of the real server: reads the file named by -f, runs
// as a parent and one serving child of the same executable, and a parent whose
// server cannot listen ends at once with a non-zero code. Serves static files
// only; .php pages go out as they are. A narrow-character program, it sees
// every path as a program for the system's ANSI code page does; its parent
// notes in the error log whether the paths PHP would be given lead anywhere.
#include <windows.h>

#include <memory>
#include <string>

#include "StandinAnsi.h"
#include "StandinNet.h"
#include "StandinText.h"

namespace {

constexpr const char* ChildSwitch = "--standin-child";
constexpr int ExitBadConfig = 2;
constexpr int ExitCannotListen = 1;

struct TOptions {
    std::string Program;  // as started: an ANSI program's own long path may not survive its code page
    std::string ConfigFile;
    bool Child = false;
};

TOptions ReadOptions() {
    TOptions options;
    const auto args = standin::ansi::Args();
    if (!args.empty()) options.Program = args[0];
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "-f" && i + 1 < args.size()) options.ConfigFile = args[++i];
        else if (args[i] == ChildSwitch) options.Child = true;
    }
    return options;
}

std::string StatusText(int status) {
    switch (status) {
    case 200: return "OK";
    case 301: return "Moved Permanently";
    case 400: return "Bad Request";
    case 404: return "Not Found";
    default: return "Not Implemented";
    }
}

struct TReply {
    int Status = 200;
    std::string ContentType = "text/html";
    std::string Body;
    std::string Location;
};

TReply ErrorReply(int status) {
    TReply reply;
    reply.Status = status;
    reply.Body = "<html><body><h1>" + std::to_string(status) + " " + StatusText(status) + "</h1></body></html>\n";
    return reply;
}

std::string WithBackslashes(std::string path) {
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

TReply FileReply(const std::string& file) {
    const auto body = standin::ansi::ReadFile(file);
    if (!body) return ErrorReply(404);
    TReply reply;
    reply.ContentType = standin::ContentTypeFor(file);
    reply.Body = *body;
    return reply;
}

TReply DirectoryReply(const std::string& folder, const std::string& target) {
    const std::string path = target.substr(0, target.find_first_of("?#"));
    if (path.back() != '/') {
        TReply reply = ErrorReply(301);
        reply.Location = path + "/";
        return reply;
    }
    for (const char* index : {"index.html", "index.htm", "index.php"}) {
        const std::string file = folder + "\\" + index;
        if (standin::ansi::IsFile(file)) return FileReply(file);
    }
    return ErrorReply(404);
}

TReply Answer(const std::string& documentRoot, const std::string& target) {
    const auto relative = standin::TargetToRelativePath(target);
    if (!relative) return ErrorReply(400);
    std::string path = WithBackslashes(documentRoot);
    while (!path.empty() && path.back() == '\\') path.pop_back();
    path += '\\';
    path += WithBackslashes(*relative);
    while (path.back() == '\\') path.pop_back();
    if (standin::ansi::IsFolder(path)) return DirectoryReply(path, target);
    return FileReply(path);
}

std::string Serialize(const TReply& reply, bool withBody) {
    std::string head = "HTTP/1.1 " + std::to_string(reply.Status) + " " + StatusText(reply.Status) +
                       "\r\nServer: Apache stand-in\r\nContent-Type: " + reply.ContentType +
                       "\r\nContent-Length: " + std::to_string(reply.Body.size()) + "\r\n";
    if (!reply.Location.empty()) head += "Location: " + reply.Location + "\r\n";
    head += "Connection: close\r\n\r\n";
    return withBody ? head + reply.Body : head;
}

struct TConnection {
    UniqueSocket Socket;
    std::string DocumentRoot;
};

void ServeOne(TConnection& connection) {
    const std::string head = standin::ReceiveHead(connection.Socket.Get());
    const std::string requestLine = head.substr(0, head.find_first_of("\r\n"));
    const auto firstSpace = requestLine.find(' ');
    const auto secondSpace = requestLine.find(' ', firstSpace + 1);
    if (firstSpace == std::string::npos) return;
    const std::string method = requestLine.substr(0, firstSpace);
    const std::string target = requestLine.substr(firstSpace + 1, secondSpace - firstSpace - 1);
    const bool known = method == "GET" || method == "HEAD";
    const TReply reply = known ? Answer(connection.DocumentRoot, target) : ErrorReply(501);
    standin::SendAll(connection.Socket.Get(), Serialize(reply, method != "HEAD"));
    shutdown(connection.Socket.Get(), SD_SEND);
}

DWORD WINAPI ConnectionThread(void* parameter) {
    const std::unique_ptr<TConnection> connection(static_cast<TConnection*>(parameter));
    ServeOne(*connection);
    return 0;
}

int Serve(const standin::THttpdSettings& settings) {
    UniqueSocket listener = standin::ListenOn(settings.Listen->Host, settings.Listen->Port);
    if (!listener) return ExitCannotListen;
    for (;;) {
        UniqueSocket client(accept(listener.Get(), nullptr, nullptr));
        if (!client) continue;
        const DWORD timeout = 10000;
        setsockopt(client.Get(), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
        auto connection = std::make_unique<TConnection>(TConnection{std::move(client), settings.DocumentRoot});
        // The thread owns the connection once it runs; without one, serve it here.
        UniqueHandle thread(CreateThread(nullptr, 0, ConnectionThread, connection.get(), 0, nullptr));
        if (thread)
            connection.release();
        else
            ServeOne(*connection);
    }
}

// "found", "missing" or "unset" for a path PHP would take from the
// environment or the configuration.
std::string PathNote(const std::string& name, const std::string& path, bool found) {
    return "[standin] " + std::string(path.empty() ? "unset" : found ? "found" : "missing") + " " + name + " " +
           path + "\r\n";
}

// Like Apache, a parent that cannot write its error log does not start.
bool WriteStartNotes(const standin::THttpdSettings& settings) {
    using namespace standin::ansi;
    if (settings.ErrorLog.empty()) return true;
    auto hasPhpIni = [](const std::string& folder) { return IsFile(folder + "\\php.ini"); };
    std::string notes = PathNote("PHPIniDir", settings.PhpIniDir, hasPhpIni(settings.PhpIniDir));
    const std::string phpRc = Env("PHPRC");
    notes += PathNote("PHPRC", phpRc, hasPhpIni(phpRc) || IsFile(phpRc));
    for (const char* name : {"PHP_EXE", "OPENSSL_CONF", "SSLEAY_CONF", "SERVER_FILENAME"})
        notes += PathNote(name, Env(name), IsFile(Env(name)));
    return AppendToFile(standin::ServerRelative(settings.ServerRoot, settings.ErrorLog), notes);
}

// The parent probes the address first, so a taken port ends it before any
// child exists; then it lives exactly as long as its serving child.
int RunParent(const TOptions& options, const standin::THttpdSettings& settings) {
    if (!WriteStartNotes(settings)) return ExitBadConfig;
    if (!standin::ListenOn(settings.Listen->Host, settings.Listen->Port)) return ExitCannotListen;
    UniqueHandle child =
        standin::ansi::StartHidden(options.Program, "-f \"" + options.ConfigFile + "\" " + ChildSwitch);
    if (!child) return ExitCannotListen;
    WaitForSingleObject(child.Get(), INFINITE);
    DWORD code = ExitCannotListen;
    GetExitCodeProcess(child.Get(), &code);
    return static_cast<int>(code);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const TOptions options = ReadOptions();
    const auto text = standin::ansi::ReadFile(options.ConfigFile);
    if (!text) return ExitBadConfig;
    const standin::THttpdSettings settings = standin::ParseHttpdConf(*text);
    if (!settings.Listen || settings.DocumentRoot.empty()) return ExitBadConfig;
    // Apache refuses a server root that is not a folder.
    if (!settings.ServerRoot.empty() && !standin::ansi::IsFolder(settings.ServerRoot)) return ExitBadConfig;
    standin::TWinsock winsock;
    return options.Child ? Serve(settings) : RunParent(options, settings);
}
