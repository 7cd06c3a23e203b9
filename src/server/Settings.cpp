// Config.ini (extracted from the executable at every start) and Brand.ini.
#include "server/Runner.h"
#include "util/Guard.h"
#include "util/ShellKit.h"

namespace {
const char SettingsSection[] = "INI";
}

std::string TRunner::ExtractConfigFile() {
    const std::string path = TShellKit::GetWorkDir() + "\\Config.ini";
    TShellKit::SaveResourceToFile("RES_CONFIG_INI", path);
    return path;
}

std::string TRunner::ReadConfigValue(const std::string& key) {
    return TShellKit::IniReadString(ConfigIniPath, SettingsSection, key);
}

void TRunner::WriteConfigValue(const std::string& key, const std::string& value) {
    TShellKit::IniWriteString(ConfigIniPath, SettingsSection, key, value);
}

std::string TRunner::ReadBrandValue(const std::string& key) {
    return TShellKit::IniReadString(BrandIniPath, SettingsSection, key);
}

void TRunner::WriteBrandValue(const std::string& key, const std::string& value) {
    TShellKit::IniWriteString(BrandIniPath, SettingsSection, key, value);
}

std::string TRunner::GetBrandIniPath() {
    const std::string path = TShellKit::GetWorkDir() + "\\Brand.ini";
    Guarded([&] { TShellKit::WriteFileText(path, TShellKit::ReadFileText(ConfigIniPath)); });
    // The chosen files of an earlier Customize are not carried into the next one.
    TShellKit::WriteIniValue(path, SettingsSection, "iconfile", "");
    TShellKit::WriteIniValue(path, SettingsSection, "splashfilename", "");
    return path;
}
