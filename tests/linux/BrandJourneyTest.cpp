// Branding the Linux runner end to end: the stamping modes on copies, then
// Customize and the address change through the real runner and its servers.
#include <doctest/doctest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "RunnerKit.h"
#include "util/linux/Files.h"

namespace {

std::string Q(const std::string& text) { return "'" + text + "'"; }

// A mode of the program without a display (no error box to wait for): its
// exit code, its stderr in *errors.
int RunMode(const std::string& exe, const std::string& arguments, std::string* errors = nullptr) {
    const std::string log = exe + ".mode.log";
    const int status = std::system(("env -u DISPLAY " + Q(exe) + " " + arguments + " 2>" + Q(log)).c_str());
    if (errors) *errors = LinuxFiles::ReadFile(log);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Entry(const std::string& exe, const std::string& name) {
    const TEmbeddedData data = LinuxFiles::ReadEmbeddedData(exe);
    const auto found = data.find(name);
    return found == data.end() ? "(none)" : found->second;
}

// The ELF image, without the data appended to it.
std::string Image(const std::string& exe) {
    const std::string file = LinuxFiles::ReadFile(exe);
    return file.substr(0, file.size() - EmbeddedTrailerSize - ParseEmbeddedTrailer(file)->EntriesLength);
}

}  // namespace

TEST_CASE("the stamping modes write the embedded data of a copy byte for byte; a file that is not a runner, or "
          "an icon that is not one, fails with its message and exit code 1 and stays as it was") {
    TSite site("Stamp");
    const std::string copy = site.Root + "/copy of vadrome", config = site.Root + "/brand.ini",
                      icon = site.Root + "/brand.ico", image = site.Root + "/brand.png";
    REQUIRE(std::system(("cp " + Q(site.Exe) + " " + Q(copy) + " && convert -size 48x48 xc:red " + Q(icon) +
                         " && convert -size 300x120 xc:navy " + Q(image)).c_str()) == 0);
    LinuxFiles::WriteFileReplacing(config, std::string("[INI]\r\ntitle=\"  Brand \xc3\xa9\"\r\nport=8123\r\n\0end", 42));
    const std::string image0 = Image(copy);

    CHECK(RunMode(site.Exe, "/config " + Q(copy) + " " + Q(config)) == 0);
    CHECK(RunMode(site.Exe, "/ICON " + Q(copy) + " " + Q(icon)) == 0);
    CHECK(RunMode(site.Exe, "/splash " + Q(copy) + " " + Q(image)) == 0);
    CHECK(Entry(copy, "RES_CONFIG_INI") == LinuxFiles::ReadFile(config));
    CHECK(Entry(copy, "MAINICON") == LinuxFiles::ReadFile(icon));
    CHECK(Entry(copy, "RES_SPLASH") == LinuxFiles::ReadFile(image));
    CHECK(Image(copy) == image0);
    CHECK(::access(copy.c_str(), X_OK) == 0);
    CHECK(!LinuxFiles::FileExists(copy + ".new"));

    // /setup stamps all three through its children and, with a sixth word, starts nothing.
    const std::string setupCopy = site.Root + "/setup copy";
    REQUIRE(std::system(("cp " + Q(site.Exe) + " " + Q(setupCopy)).c_str()) == 0);
    CHECK(RunMode(site.Exe, "/setup " + Q(setupCopy) + " " + Q(config) + " " + Q(icon) + " " + Q(image) + " no") == 0);
    CHECK(LinuxFiles::ReadFile(setupCopy) == LinuxFiles::ReadFile(copy));

    std::string errors;
    const std::string text = site.Root + "/notes.txt";
    LinuxFiles::WriteFileReplacing(text, "not a program\n");
    CHECK(RunMode(site.Exe, "/config " + Q(text) + " " + Q(config), &errors) == 1);
    CHECK(errors.find("is not a runner") != std::string::npos);
    CHECK(LinuxFiles::ReadFile(text) == "not a program\n");

    CHECK(RunMode(site.Exe, "/icon " + Q(copy) + " " + Q(config), &errors) == 1);
    CHECK(errors.find("Resource update error: Icon file is invalid.") != std::string::npos);
    CHECK(Entry(copy, "MAINICON") == LinuxFiles::ReadFile(icon));

    // Too few arguments or a missing source: nothing at all, exit code 0.
    CHECK(RunMode(site.Exe, "/config " + Q(copy)) == 0);
    CHECK(RunMode(site.Exe, "/splash " + Q(copy) + " " + Q(site.Root + "/missing.png")) == 0);
    CHECK(Entry(copy, "RES_SPLASH") == LinuxFiles::ReadFile(image));
}
