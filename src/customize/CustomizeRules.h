// Rules of the customized build that need no window: what Brand.ini gets,
// which stamping children run in which order, where the build's files go.
#pragma once
#include <array>
#include <string>
#include <vector>

// The Customize dialog's fields and the Brand.ini keys they carry, in the
// order they are read and written; the port, a number, has no string field.
// TForm is either edition's dialog: both name their fields alike.
template <class TForm>
struct TBrandField {
    const char* Key;
    std::string TForm::*Field;
};
template <class TForm>
constexpr std::array<TBrandField<TForm>, 11> BrandFieldsOf() {
    return {{
        {"splashfilename", &TForm::SplashFileName},
        {"title", &TForm::Title},
        {"iconfile", &TForm::IconFile},
        {"toolbar", &TForm::Toolbar},
        {"statusbar", &TForm::StatusBar},
        {"trayicon", &TForm::TrayIcon},
        {"fullscreen", &TForm::FullScreen},
        {"ip", &TForm::IP},
        {"port", nullptr},
        {"copyfilestoharddisk", &TForm::CopyFilesToHardDisk},
        {"customizebutton", &TForm::CustomizeButton},
    }};
}

// Brand.ini's text for a value: the title and the two file names in double
// quotes, which keep blanks at their ends (the quotes are dropped again on
// reading); switches, address and port as they are.
std::string BrandIniValue(const std::string& key, const std::string& value);

// Brand.ini's `port` as the dialog takes it: any whole number, in range or
// not (the dialog shows it as it is); throws for anything else.
int BrandPortOf(const std::string& value);

struct TStampStep {
    std::string Mode;    // "/splash", "/icon" or "/config"
    std::string Source;  // the file stamped
    bool operator==(const TStampStep&) const = default;
};
// The stamping children in the order they run: the splash image and the icon
// when their files exist, then the settings, always and always last.
std::vector<TStampStep> StampingSteps(const std::string& splashFile, bool splashExists, const std::string& iconFile,
                                      bool iconExists, const std::string& brandIni);

// A file in a folder; a folder that ends with a backslash already (a drive
// root) gets no second one.
std::string InFolder(const std::string& folder, const std::string& name);
