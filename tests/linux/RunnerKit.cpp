#include "RunnerKit.h"

#include <doctest/doctest.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <regex>
#include <sstream>
#include <thread>

#include "server/ServerText.h"
#include "util/IniText.h"
#include "util/RunnerRules.h"
#include "util/linux/Files.h"

namespace {

void Shell(const std::string& command) {
    if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
}

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

// A copy's settings changed as the stamping modes change them.
void StampPort(const std::string& exe, int port) {
    const std::string config = LinuxFiles::ReadEmbeddedData(exe).at("RES_CONFIG_INI");
    LinuxFiles::StampEmbeddedEntry(exe, "RES_CONFIG_INI", SetIniKey(config, "INI", "port", std::to_string(port)));
}

}  // namespace

TSite::TSite(const std::string& name) {
    Root = "/tmp/vadrome linux e2e " + std::to_string(::getpid()) + " " + name;
    Dir = Root + "/Mein Gästebuch " + name;
    Exe = Dir + "/vadrome";
    // The web server's unprivileged user passes through to the site whatever the umask.
    Shell("mkdir -p " + Quoted(Root) + " && cp -a " + Quoted(std::getenv("VADROME_LINUX_DEMO")) + " " + Quoted(Dir) +
          " && chmod a+x " + Quoted(Root) + " " + Quoted(Dir));
    ::setenv("XDG_STATE_HOME", (Root + "/state").c_str(), 1);
    // Other programs on this machine start their web servers from port 80 too.
    ConfiguredPort = 20000 + ::getpid() % 20000;
    StampPort(Exe, ConfiguredPort);
    Work = Root + "/state/vadrome/" + WorkFolderName(LinuxFiles::LoginName(), '/', Exe);
}

TSite::~TSite() {
    for (const THeldProcess& server : Servers()) server.Signal(SIGKILL);
    if (!std::getenv("VADROME_KEEP_E2E")) (void)std::system(("rm -rf " + Quoted(Root)).c_str());
}

TChildProcess TSite::Start(bool windowless, const std::string& exe) const {
    if (windowless || !std::getenv("DISPLAY")) ::setenv("VADROME_WINDOWLESS", "1", 1);
    else ::unsetenv("VADROME_WINDOWLESS");
    TSpawnOptions options;
    options.Arguments = {exe.empty() ? Exe : exe};
    options.OutputPath = Root + "/runner.log";
    return SpawnChild(options);
}

std::string TSite::WorkFile(const std::string& name) const {
    const std::string path = Work + "/" + name;
    return LinuxFiles::FileExists(path) ? LinuxFiles::ReadFile(path) : "";
}

int TSite::WebPort() const {
    std::smatch match;
    const std::string conf = WorkFile("httpd.conf");
    return std::regex_search(conf, match, std::regex(R"(\nListen [0-9.]+:([0-9]+))")) ? std::stoi(match[1]) : -1;
}

int TSite::DatabasePort() const { return std::atoi(ReadIniText(WorkFile("my.ini"), "mysqld", "port").c_str()); }

std::vector<THeldProcess> TSite::Servers() const {
    return HoldProcessesWhere([&](const TArguments& arguments) {
        if (arguments.size() > 1 && arguments[0] == Exe) return false;  // the splash
        for (const std::string& argument : arguments)
            if (argument.find(Work) != std::string::npos) return true;
        return false;
    }, true);
}

std::vector<THeldProcess> TSite::Splashes() const {
    return HoldProcessesWhere([&](const TArguments& arguments) {
        return arguments.size() > 1 && arguments[0] == Exe && arguments[1] == "splash";
    });
}

std::string TSite::WaitForHomePage(unsigned limitMs) const {
    std::string page;
    WaitUntil(limitMs, [&] {
        page = WebPort() > 0 ? Curl(Home() + "/") : "";
        return page.find("MariaDB") != std::string::npos;
    });
    return page.find("MariaDB") != std::string::npos ? page : "";
}

void CheckAllEndedCleanly(const TSite& site, TChildProcess& runner, long long shutdownsBefore) {
    constexpr unsigned StopBoundMs = 5000 + 3000;  // the runner's 5 s and room for a busy machine
    const auto since = std::chrono::steady_clock::now();
    CHECK(WaitUntil(StopBoundMs, [&] { return !runner.Running() && site.Servers().empty(); }));
    CHECK(std::chrono::steady_clock::now() - since < std::chrono::milliseconds(StopBoundMs));
    CHECK(site.Servers().empty());
    CHECK(site.Splashes().empty());
    CHECK(Count(site.WorkFile("mysqld.log"), "mysqld: Shutdown complete") == shutdownsBefore + 1);
}

std::string Output(const std::string& command) {
    const std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    std::string output;
    char buffer[4096];
    while (pipe && std::fgets(buffer, sizeof(buffer), pipe.get())) output += buffer;
    return output;
}

std::string Curl(const std::string& arguments) { return Output("curl -s -m 20 " + arguments); }

bool WaitUntil(unsigned limitMs, const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

long long Count(const std::string& text, const std::string& part) {
    long long count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

TDrivenSite::TDrivenSite(const std::string& name) : TSite(name) {
    const std::string www = Quoted(Dir + "/www");
    Shell("cp " + Quoted(std::getenv("VADROME_LINUX_TEST_SITE")) + "/*.php " + www + " && cp " + www + "/driven.php " +
          www + "/index.php && mkdir -m 777 " + www + "/do && touch " + www + "/report.txt && chmod 666 " + www +
          "/report.txt");
}

void TDrivenSite::Drive(const std::string& page, const std::string& script) const {
    LinuxFiles::WriteFileReplacing(Dir + "/www/do/" + page + ".js", script, 0644);
}

bool TDrivenSite::WaitForReport(const std::string& page, const std::string& text, unsigned limitMs) const {
    return WaitUntil(limitMs, [&] {
        return Reports().find(page + " " + text) != std::string::npos;
    });
}

std::string TDrivenSite::Reports() const { return LinuxFiles::ReadFile(Dir + "/www/report.txt"); }

namespace OnScreen {

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        if (!line.empty()) lines.push_back(line);
    return lines;
}

}  // namespace

std::vector<std::string> VisibleWindows(const std::string& namePattern) {
    return Lines(Output("xdotool search --onlyvisible --name " + Quoted(namePattern) + " 2>/dev/null"));
}

std::vector<std::string> VisibleWindowsOf(int pid) {
    return Lines(Output("xdotool search --onlyvisible --pid " + std::to_string(pid) + " 2>/dev/null"));
}

TBounds Bounds(const std::string& window) {
    std::smatch match;
    const std::string text = Output("xdotool getwindowgeometry " + window + " 2>/dev/null");
    if (!std::regex_search(text, match, std::regex(R"(Position: (-?\d+),(-?\d+)[\s\S]*Geometry: (\d+)x(\d+))")))
        return {};
    return {std::stoi(match[1]), std::stoi(match[2]), std::stoi(match[3]), std::stoi(match[4])};
}

TBounds Find(const std::string& namePattern) {
    const std::vector<std::string> windows = VisibleWindows(namePattern);
    return windows.empty() ? TBounds{} : Bounds(windows.front());
}

void Click(const TBounds& on, int button, int repeat) {
    Shell("xdotool mousemove " + std::to_string(on.Left + on.Width / 2) + " " + std::to_string(on.Top + on.Height / 2) +
          " click --repeat " + std::to_string(repeat) + " --delay 80 " + std::to_string(button));
}

void Focus(const std::string& namePattern) {
    const std::vector<std::string> windows = VisibleWindows(namePattern);
    if (!windows.empty()) Shell("xdotool windowfocus --sync " + windows.front());
}

void Key(const std::string& keys) { Shell("xdotool key --delay 150 " + keys); }

void Type(const std::string& text) { Shell("xdotool type --delay 20 " + Quoted(text)); }

void Screenshot(const std::string& name) {
    const char* folder = std::getenv("VADROME_SCREENSHOTS");
    if (!folder) return;
    Shell("mkdir -p " + Quoted(folder) + " && import -window root " + Quoted(std::string(folder) + "/" + name));
}

}  // namespace OnScreen

TTrayHost::TTrayHost(const std::string& logPath) {
    TSpawnOptions options;
    options.OutputPath = logPath;
    options.Arguments = {"/usr/bin/trayer", "--edge", "top", "--align", "right", "--widthtype", "pixel", "--width",
                         "64", "--heighttype", "pixel", "--height", "32", "--SetDockType", "false"};
    trayer_ = SpawnChild(options);
    REQUIRE_MESSAGE(WaitUntil(10000, [] { return !OnScreen::VisibleWindows("^panel$").empty(); }),
                    (LinuxFiles::FileExists(logPath) ? LinuxFiles::ReadFile(logPath) : "trayer said nothing"));
}

void TTrayHost::Raise() const {
    for (const std::string& panel : OnScreen::VisibleWindows("^panel$")) Shell("xdotool windowraise " + panel);
}

OnScreen::TBounds TTrayHost::Icon(const std::string& name) const {
    for (const std::string& window : OnScreen::VisibleWindows("^" + name + "$")) {
        const OnScreen::TBounds bounds = OnScreen::Bounds(window);
        if (bounds.Top < 32 && bounds.Width <= 64) return bounds;
    }
    return {};
}

bool TTrayHost::OpenMenu(const std::string& name, pid_t owner) const {
    const size_t windowsBefore = OnScreen::VisibleWindowsOf(owner).size();
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (attempt > 0) {
            MESSAGE("the tray menu took another click");
            OnScreen::Key("Escape");
        }
        Raise();
        OnScreen::Click(Icon(name), 3);
        if (WaitUntil(ShowBoundMs, [&] { return OnScreen::VisibleWindowsOf(owner).size() > windowsBefore; }))
            return true;
    }
    return false;
}

// A window can go between listing it and reading it: no X error may end the test.
int IgnoreXError(Display*, XErrorEvent*) { return 0; }

// As a window manager closes a window: WM_DELETE_WINDOW to each shown top-level window of the process.
bool CloseWindowsOf(pid_t pid, bool close) {
    const std::unique_ptr<Display, int (*)(Display*)> display(XOpenDisplay(nullptr), XCloseDisplay);
    if (!display) return false;
    XSetErrorHandler(IgnoreXError);
    const Atom pidAtom = XInternAtom(display.get(), "_NET_WM_PID", False);
    const Atom protocols = XInternAtom(display.get(), "WM_PROTOCOLS", False);
    const Atom deleteWindow = XInternAtom(display.get(), "WM_DELETE_WINDOW", False);
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    XQueryTree(display.get(), DefaultRootWindow(display.get()), &root, &parent, &children, &count);
    bool sent = false;
    for (unsigned i = 0; i < count; ++i) {
        Atom type = 0;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* value = nullptr;
        XWindowAttributes attributes{};
        const bool ours = XGetWindowProperty(display.get(), children[i], pidAtom, 0, 1, False, XA_CARDINAL, &type,
                                             &format, &items, &after, &value) == Success &&
                          value && items == 1 && *reinterpret_cast<unsigned long*>(value) == static_cast<unsigned long>(pid);
        if (value) XFree(value);
        if (!ours || !XGetWindowAttributes(display.get(), children[i], &attributes) ||
            attributes.map_state != IsViewable)
            continue;
        sent = sent || !close;
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = children[i];
        event.xclient.message_type = protocols;
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(deleteWindow);
        event.xclient.data.l[1] = CurrentTime;
        if (close) sent = XSendEvent(display.get(), children[i], False, NoEventMask, &event) != 0 || sent;
    }
    if (children) XFree(children);
    XFlush(display.get());
    return sent;
}
