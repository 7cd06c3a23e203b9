// Config.ini (extracted from the executable at every start) and Brand.ini.
#include <windows.h>

#include <charconv>
#include <optional>

#include "server/Runner.h"
#include "util/Guard.h"
#include "util/ShellKit.h"
#include "util/Text.h"
#include "util/Utf.h"

namespace {

const char SettingsSection[] = "INI";

const wchar_t BrowserEmulationKey[] =
    L"Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\FEATURE_BROWSER_EMULATION";
const DWORD DefaultBrowserEmulation = 11001;  // IE11 edge mode

// The mode Config.ini's "browseremulation" asks for: the default when the key
// is missing (a Config.ini from before it) or "default", none for "0", empty
// or a value that is no number.
std::optional<DWORD> BrowserEmulationMode(const std::string& configIni) {
    wchar_t text[32] = L"";
    GetPrivateProfileStringW(Widen(SettingsSection).c_str(), L"browseremulation", L"default", text, 32,
                             Widen(configIni).c_str());
    if (std::wstring_view(text) == L"default") return DefaultBrowserEmulation;
    const std::string value = Trim(Narrow(text));
    DWORD mode = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), mode);
    if (error != std::errc() || end != value.data() + value.size() || mode == 0) return std::nullopt;
    return mode;
}

}  // namespace

// Without it, the browser control shows every page in IE7 mode. The value
// is per executable file name, so every start writes its own (branded and
// renamed copies too), and only when it differs: a read costs less at start.
void TRunner::RegisterBrowserEmulation() {
    const std::optional<DWORD> mode = BrowserEmulationMode(ConfigIniPath);
    if (!mode) return;
    const std::string exe = TShellKit::GetExeFileName();
    const std::wstring exeName = Widen(exe.substr(exe.rfind('\\') + 1));
    DWORD current = 0, size = sizeof(current);
    if (RegGetValueW(HKEY_CURRENT_USER, BrowserEmulationKey, exeName.c_str(), RRF_RT_REG_DWORD, nullptr, &current,
                     &size) == ERROR_SUCCESS &&
        current == *mode)
        return;
    RegSetKeyValueW(HKEY_CURRENT_USER, BrowserEmulationKey, exeName.c_str(), REG_DWORD, &*mode, sizeof(DWORD));
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
