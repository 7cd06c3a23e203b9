// The address choice shared by the Customize and address/port dialogs, and
// the About box's layout.
#include <doctest/doctest.h>

#include "customize/FormRules.h"

TEST_CASE("only exactly 127.0.0.1 selects the loopback item; item 1 writes all") {
    CHECK(AddressItemOf("127.0.0.1") == 0);
    for (const char* ip : {"all", "0.0.0.0", "", " 127.0.0.1", "127.0.0.2"}) {
        INFO(ip);
        CHECK(AddressItemOf(ip) == 1);
    }
    CHECK(AddressSettingOf(0) == "127.0.0.1");
    CHECK(AddressSettingOf(1) == "all");
    CHECK(AddressSettingOf(-1) == "all");  // nothing selected
}

TEST_CASE("About layout: lines centred, icon 10 pixels left of the title") {
    const TAboutLayout layout = LayOutAbout(295, 32, 61, 70, 211);
    CHECK(layout.TitleLeft == 117);
    CHECK(layout.IconLeft == 117 - 32 - 10);
    CHECK(layout.VersionLeft == 112);
    CHECK(layout.NoticeLeft == 42);

    const TAboutLayout wide = LayOutAbout(295, 32, 400, 70, 211);
    CHECK(wide.TitleLeft == -52);  // (295 - 400) / 2 truncated toward zero
    CHECK(wide.IconLeft == -94);
}
