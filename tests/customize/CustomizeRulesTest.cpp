// What the customized build writes into Brand.ini and which stamps it runs.
#include <doctest/doctest.h>

#include <climits>

#include "customize/CustomizeRules.h"
#include "launcher/CommandLine.h"

TEST_CASE("Brand.ini: the title and the file names quoted, blanks and quotes of their own kept; the rest as it is") {
    CHECK(BrandIniValue("title", "  My Shop") == "\"  My Shop\"");
    CHECK(BrandIniValue("title", "\"Quoted\"") == "\"\"Quoted\"\"");  // reads back with its own quotes
    CHECK(BrandIniValue("title", "") == "\"\"");
    CHECK(BrandIniValue("iconfile", "C:\\My Icons\\a.ico") == "\"C:\\My Icons\\a.ico\"");
    CHECK(BrandIniValue("splashfilename", "") == "\"\"");
    for (const char* key : {"toolbar", "statusbar", "trayicon", "fullscreen", "ip", "port", "copyfilestoharddisk",
                            "customizebutton"}) {
        INFO(key);
        CHECK(BrandIniValue(key, " 1") == " 1");
    }
}

TEST_CASE("Brand.ini's port: any whole number as it is, anything else stops the dialog from opening") {
    CHECK(BrandPortOf("8080") == 8080);
    CHECK(BrandPortOf("0") == 0);
    CHECK(BrandPortOf("70000") == 70000);
    CHECK(BrandPortOf(" -1 ") == -1);
    CHECK(BrandPortOf("2147483647") == INT_MAX);
    for (const char* value : {"", "http", "80a", "8 0", "2147483648", "0x50"}) {
        INFO(value);
        CHECK_THROWS(BrandPortOf(value));
    }
}

TEST_CASE("stamps: splash image, icon, settings, each file only when it exists; the settings always, last") {
    using TSteps = std::vector<TStampStep>;
    CHECK(StampingSteps("s.png", true, "i.ico", true, "B.ini") ==
          TSteps{{"/splash", "s.png"}, {"/icon", "i.ico"}, {"/config", "B.ini"}});
    CHECK(StampingSteps("s.png", false, "i.ico", true, "B.ini") == TSteps{{"/icon", "i.ico"}, {"/config", "B.ini"}});
    CHECK(StampingSteps("", false, "", false, "B.ini") == TSteps{{"/config", "B.ini"}});
    CHECK(ModeParameters("/icon", "C:\\a b\\vadrome-runme.exe", "C:\\x.ico") ==
          "/icon \"C:\\a b\\vadrome-runme.exe\" \"C:\\x.ico\"");
}

TEST_CASE("the build's files beside the executable, also in a drive root") {
    CHECK(InFolder("C:\\Site", "vadrome-runme.exe") == "C:\\Site\\vadrome-runme.exe");
    CHECK(InFolder("D:\\", "vadrome-runme.exe") == "D:\\vadrome-runme.exe");
}
