// The maker's own details, shown by the About box and the tray menu and
// used for "Contact Us": change them here only.
#pragma once

inline constexpr char MakerMailAddress[] = "support@vadrome.example";
inline constexpr char MakerWebSite[] = "https://www.vadrome.example/";
inline constexpr char ProductVersion[] = "8.72";
inline constexpr char ProductNotice[] = "Copyright \xC2\xA9 2024 Vadrome. All rights reserved.";
