// Rules of the Customize, address/port and About dialogs that need no window.
#pragma once
#include <string>

// The address list of both address dialogs: loopback first, then all interfaces.
inline constexpr char AddressItems[] = "127.0.0.1\n0.0.0.0";
// Only exactly "127.0.0.1" selects the loopback item (0); anything else item 1.
int AddressItemOf(const std::string& ip);
// The `ip` setting for a selected item: "127.0.0.1" for 0, else "all".
std::string AddressSettingOf(int itemIndex);

// The About box's centred lines and its icon, 10 pixels left of the title.
inline constexpr int AboutIconGap = 10;
struct TAboutLayout {
    int TitleLeft, IconLeft, VersionLeft, NoticeLeft;
};
TAboutLayout LayOutAbout(int clientWidth, int iconWidth, int titleWidth, int versionWidth, int noticeWidth);
