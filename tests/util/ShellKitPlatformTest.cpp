#include <doctest/doctest.h>

#include <winsock2.h>

#include "util/Handles.h"
#include "util/ShellKit.h"
#include "util/Utf.h"

namespace {

// A listener of the test's own on 127.0.0.1; port 0 lets the platform choose.
class TestListener {
public:
    explicit TestListener(int port) {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        socket_.Reset(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<u_short>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int size = sizeof(address);
        if (bind(socket_.Get(), reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
            listen(socket_.Get(), 1) == 0 &&
            getsockname(socket_.Get(), reinterpret_cast<sockaddr*>(&address), &size) == 0)
            port_ = ntohs(address.sin_port);
    }
    ~TestListener() {
        socket_.Reset();
        WSACleanup();
    }
    int Port() const { return port_; }

private:
    UniqueSocket socket_;
    int port_ = 0;
};

}  // namespace

TEST_CASE("a held port is in use and the search skips it") {
    TestListener held(0);
    REQUIRE(held.Port() != 0);
    CHECK(TShellKit::IsPortInUse(held.Port(), true));
    CHECK(TShellKit::IsPortInUse(held.Port(), false));
    const int free = TShellKit::FindFreePort(held.Port(), true);
    CHECK(free > held.Port());
    CHECK_FALSE(TShellKit::IsPortInUse(free, true));
    // The probe leaves nothing behind: the port can be probed again.
    CHECK_FALSE(TShellKit::IsPortInUse(free, true));
}

TEST_CASE("ports outside the valid range are in use") {
    CHECK(TShellKit::IsPortInUse(70000, true));
    CHECK(TShellKit::IsPortInUse(-1, true));
    CHECK(TShellKit::IsPortInUse(0, true));
    CHECK(TShellKit::FindFreePort(70000, true) == -1);
    CHECK(TShellKit::FindFreePort(-100000, true) >= 1);
}

TEST_CASE("the search ends at the highest port") {
    TestListener held(65535);
    CHECK(TShellKit::FindFreePort(65535, true) == -1);
}

TEST_CASE("a name is a first instance once per process") {
    CHECK(TShellKit::IsFirstInstance("vadrome-test-instance-7f3a"));
    CHECK_FALSE(TShellKit::IsFirstInstance("vadrome-test-instance-7f3a"));
}

TEST_CASE("environment variables for the servers") {
    CHECK(TShellKit::SetPhpRcEnv(""));
    CHECK(TShellKit::GetEnv("PHPRC") == TShellKit::GetWorkDir());
    CHECK(TShellKit::SetPhpRcEnv("C:\\Prögram\\bin"));
    CHECK(TShellKit::GetEnv("PHPRC") == "C:\\Prögram\\bin");
    CHECK(TShellKit::SetLanguageEnv());
    CHECK(TShellKit::GetEnv("OS_LANGUAGE") == TShellKit::GetLocaleLanguageName());
    CHECK_FALSE(TShellKit::GetLocaleLanguageName().empty());
    // Longer than the first buffer the value is read into.
    CHECK(TShellKit::SetEnv("VADROME_LONG", std::string(1000, 'x')));
    CHECK(TShellKit::GetEnv("VADROME_LONG") == std::string(1000, 'x'));
}

TEST_CASE("text in a code page only when every character comes back as it was") {
    // Built without our UTF-8 manifest, this test sees the system's code page as GetACP().
    CHECK(SystemAnsiCodePage() == GetACP());

    CHECK(ToCodePage("Zo\xC3\xAB Test", 1252) == std::optional<std::string>("Zo\xEB Test"));
    CHECK(ToCodePage("\xD0\x9C\xD0\xBE\xD0\xB9", 1251) == std::optional<std::string>("\xCC\xEE\xE9"));
    CHECK(ToCodePage("\xE8\xA1\xA8", 932) == std::optional<std::string>("\x95\x5C"));
    CHECK(ToCodePage("", 1252) == std::optional<std::string>(""));
    CHECK_FALSE(ToCodePage("\xD0\x9C\xD0\xBE\xD0\xB9", 1252));
    CHECK_FALSE(ToCodePage("Zo\xC3\xAB", 1251));
    // Best fit would turn these into look-alikes that name other files.
    CHECK_FALSE(ToCodePage("\xC4\x81", 1252));      // a with macron, best fit "a"
    CHECK_FALSE(ToCodePage("\xE2\x88\x95", 1252));  // division slash, best fit "/"
    // A system switched to UTF-8 holds everything.
    CHECK(ToCodePage("Zo\xC3\xAB \xD0\x9C", CP_UTF8) == std::optional<std::string>("Zo\xC3\xAB \xD0\x9C"));
}

TEST_CASE("a quit request met while pumping stays for the outer loop") {
    PostQuitMessage(7);
    TShellKit::ProcessMessages();
    MSG msg;
    REQUIRE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    CHECK(msg.wParam == 7);
}
