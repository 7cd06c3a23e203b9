// Config.ini (written from the executable's own data at every start) and Brand.ini.
#include "server/linux/Runner.h"
#include "launcher/StampRules.h"
#include "server/ServerText.h"
#include "util/Errors.h"
#include "util/Guard.h"
#include "util/IniText.h"
#include "util/linux/Files.h"

namespace {

const char SettingsSection[] = "INI";

std::string ReadIfThere(const std::string& path) {
    return LinuxFiles::FileExists(path) ? LinuxFiles::ReadFile(path) : std::string();
}

void WriteIniFileKey(const std::string& path, const std::string& key, const std::string& value) {
    LinuxFiles::WriteFileReplacing(path, SetIniKey(ReadIfThere(path), SettingsSection, key, value));
}

}  // namespace

std::string TRunner::ExtractConfigFile() {
    const TEmbeddedData data = LinuxFiles::ReadEmbeddedData(LinuxFiles::ExeFileName());
    const auto config = data.find(ConfigEntryName);
    if (config == data.end()) throw Exception("The executable carries no settings (" + std::string(ConfigEntryName) + ")");
    const std::string path = WorkDir + "/Config.ini";
    LinuxFiles::WriteFileReplacing(path, config->second);
    return path;
}

std::string TRunner::ReadConfigValue(const std::string& key) {
    return ReadIniText(ReadIfThere(ConfigIniPath), SettingsSection, key);
}

void TRunner::WriteConfigValue(const std::string& key, const std::string& value) {
    WriteIniFileKey(ConfigIniPath, key, value);
}

std::string TRunner::ReadBrandValue(const std::string& key) {
    return ReadIniText(ReadIfThere(BrandIniPath), SettingsSection, key);
}

void TRunner::WriteBrandValue(const std::string& key, const std::string& value) {
    WriteIniFileKey(BrandIniPath, key, value);
}

std::string TRunner::GetBrandIniPath() {
    const std::string path = WorkDir + "/Brand.ini";
    Guarded([&] { LinuxFiles::WriteFileReplacing(path, LinuxFiles::ReadFile(ConfigIniPath)); });
    // The chosen files of an earlier Customize are not carried into the next one.
    WriteIniFileKey(path, "iconfile", "");
    WriteIniFileKey(path, "splashfilename", "");
    return path;
}
