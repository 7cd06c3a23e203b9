// The customized build inside the runner: the dialog's choices into
// Brand.ini, the stamps in order, the hand-over, and the failures after
// which the runner stays as it was. The children and the renamer's start are
// played here; the end-to-end tests run the real ones.
#include <doctest/doctest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "customize/BrandForm.h"
#include "customize/CustomizeBuild.h"
#include "launcher/CommandLine.h"
#include "shell/FormTestKit.h"
#include "shell/MainForm.h"
#include "tools/DialogKit.h"
#include "tools/TempFolder.h"
#include "tools/TestBoxes.h"
#include "util/ResourceUpdate.h"
#include "util/ShellKit.h"

namespace {

struct TQuitCalled {};

class TTestMain : public TfrmMain {
public:
    explicit TTestMain(TWebBrowserFactory factory) : TfrmMain(TStartUp::Skip, std::move(factory)) {}
    std::vector<std::string> TrayIconCalls;
    void EnableTrayIcon(bool enabled) override { TrayIconCalls.push_back(enabled ? "on" : "off"); }

protected:
    [[noreturn]] void EndProcess() override { throw TQuitCalled(); }
};

const char BrandIni[] =
    "[INI]\r\nsplashfilename=\r\ntitle=Vadrome\r\niconfile=\r\ntoolbar=1\r\nstatusbar=1\r\ntrayicon=1\r\n"
    "fullscreen=0\r\nip=127.0.0.1\r\nport=80\r\ndatadir=\r\nsrcdir=\r\noutputdir=\r\ncopyfilestoharddisk=0\r\n"
    "brand=0\r\nincludemysql=\r\ncustomizebutton=1";

// Children that answer with a chosen exit code; the settings child stamps
// Brand.ini into the new executable as the real one would, unless told not to.
class TTestBuild : public TCustomizeBuild {
public:
    TTestBuild(TfrmMain& runner, const std::string& appDir) : TCustomizeBuild(runner) { AppDir = appDir; }
    std::vector<std::string> Children;
    unsigned long IconResult = 0, SettingsResult = 0;
    bool SettingsStamped = true;
    int RenamerId = 4321;
    std::string RenamerStarted;

protected:
    std::optional<unsigned long> RunStampingChild(const std::string& params) override {
        Children.push_back(params);
        const TCommandLine words("exe " + params);
        if (words.Arg(1) == "/icon") return IconResult;
        if (words.Arg(1) == "/config" && SettingsStamped)
            TShellKit::WriteRcDataResource(words.Arg(2), "RES_CONFIG_INI", TShellKit::ReadFileText(words.Arg(3)));
        return words.Arg(1) == "/config" ? SettingsResult : 0;
    }
    int StartRenamer(const std::string& renamer, const std::string& params) override {
        RenamerStarted = renamer + " " + params;
        if (RenamerId == 0) SetLastError(ERROR_ACCESS_DENIED);
        return RenamerId;
    }
};

// The Customize dialog of this process while it is shown.
TfrmBrand& OpenDialog() {
    HWND dialog = FindWindowW(L"TDialogForm", L"Customize");
    REQUIRE(dialog);
    auto* form = dynamic_cast<TfrmBrand*>(reinterpret_cast<TWindow*>(GetWindowLongPtrW(dialog, GWLP_USERDATA)));
    REQUIRE(form);
    return *form;
}

struct TBuildFixture {
    TOle ole;
    TFakeBrowsers fakes;
    TempFolder app;
    std::unique_ptr<TTestMain> runner;
    std::unique_ptr<TTestBuild> build;
    const std::string runme = app / "vadrome-runme.exe", renamer = app / "vadrome-rename.exe";
    const std::string image = app / "splash.png", icon = app / "icon.ico";

    TBuildFixture() {
        runner = std::make_unique<TTestMain>(fakes.Factory());
        runner->BrandIniPath = app / "Brand.ini";
        TShellKit::WriteFileText(runner->BrandIniPath, BrandIni);
        TShellKit::WriteFileText(image, "png");
        TShellKit::WriteFileText(icon, "ico");
        build = std::make_unique<TTestBuild>(*runner, app.Path());
        RecordedBoxes().clear();
    }

    // Fills the dialog as a user would and answers Yes.
    void ChooseAndConfirm() {
        RunSteps({[&] {
            TfrmBrand& form = OpenDialog();
            form.edtTitle.SetText("  Shop");
            form.edtImage.SetText(image);
            form.edtIcon.SetText(icon);
            form.chkFullScreen.SetChecked(true);
            form.cboIP.SetItemIndex(1);
            form.SpinEdit1.SetText("8080");
            SetNextBoxAnswer(IDYES);
            form.btnOKClick();
            RecordedBoxes().clear();  // the question; the build's own boxes come after
        }});
    }
    std::string Brand(const char* key) const { return TShellKit::IniReadString(runner->BrandIniPath, "INI", key); }
};

}  // namespace

TEST_CASE_FIXTURE(TBuildFixture,
                  "OK: Brand.ini gets the choices, the stamps run in order, the renamer starts, the runner quits") {
    build->RunningExe = TShellKit::GetExeFileName();
    build->IconResult = 1;  // a failed icon keeps the old one and the build goes on
    ChooseAndConfirm();
    CHECK_THROWS_AS(build->Run(), TQuitCalled);

    const std::string ini = TShellKit::ReadFileText(runner->BrandIniPath);
    CHECK(ini.find("\r\ntitle=\"Shop\"\r\n") != std::string::npos);
    CHECK(ini.find("\r\nsplashfilename=\"" + image + "\"\r\n") != std::string::npos);
    CHECK(ini.find("\r\niconfile=\"" + icon + "\"\r\n") != std::string::npos);
    CHECK(ini.find("\r\nfullscreen=1\r\n") != std::string::npos);
    CHECK(ini.find("\r\nip=all\r\n") != std::string::npos);
    CHECK(ini.find("\r\nport=8080\r\n") != std::string::npos);
    CHECK(ini.find("\r\nbrand=0\r\n") != std::string::npos);  // keys the dialog has not are kept

    CHECK(build->Children == std::vector<std::string>{ModeParameters("/splash", runme, image),
                                                      ModeParameters("/icon", runme, icon),
                                                      ModeParameters("/config", runme, runner->BrandIniPath)});
    CHECK(ReadRcDataOf(runme, "RES_CONFIG_INI") == ini);
    CHECK(TShellKit::ReadFileText(renamer) == TShellKit::ReadFileText(build->RunningExe));
    CHECK(build->RenamerStarted == renamer + " " + ModeParameters("rename", runme, build->RunningExe));
    CHECK(runner->TrayIconCalls == std::vector<std::string>{"off", "on"});
    CHECK(RecordedBoxes().empty());
}

TEST_CASE_FIXTURE(TBuildFixture, "a renamer that cannot start is reported; the runner stays and the copies go") {
    build->RunningExe = TShellKit::GetExeFileName();
    build->RenamerId = 0;
    ChooseAndConfirm();
    build->Run();
    REQUIRE(RecordedBoxes().size() == 1);
    CHECK(RecordedBoxes()[0].caption == "Error");
    CHECK(RecordedBoxes()[0].type == (MB_OK | MB_ICONERROR));
    CHECK(RecordedBoxes()[0].text.rfind("Cannot start file \"" + renamer + "\". ", 0) == 0);
    CHECK_FALSE(TShellKit::FileExists(runme));
    CHECK_FALSE(TShellKit::FileExists(renamer));
    CHECK(Brand("title") == "Shop");  // Brand.ini keeps the choices for another try
    CHECK(runner->TrayIconCalls == std::vector<std::string>{"off", "on"});
}

TEST_CASE_FIXTURE(TBuildFixture, "settings that did not go in: no hand-over, the new executable goes") {
    build->RunningExe = TShellKit::GetExeFileName();
    SUBCASE("the settings child failed and has said so: nothing more to say") {
        build->SettingsResult = 1;
        ChooseAndConfirm();
        build->Run();
        CHECK(RecordedBoxes().empty());
    }
    SUBCASE("the settings child ended well but the settings are not in the file") {
        build->SettingsStamped = false;
        ChooseAndConfirm();
        build->Run();
        REQUIRE(RecordedBoxes().size() == 1);
        CHECK(RecordedBoxes()[0].text == "The settings could not be stamped into \"" + runme + "\".");
    }
    CHECK(build->Children.size() == 3);
    CHECK(build->RenamerStarted.empty());
    CHECK_FALSE(TShellKit::FileExists(runme));
    CHECK_FALSE(TShellKit::FileExists(renamer));
}

TEST_CASE_FIXTURE(TBuildFixture, "Cancel, and a port that is no number, leave Brand.ini and the folder alone") {
    SUBCASE("Cancel") {
        RunSteps({[&] { OpenDialog().btnCancelClick(); }});
        build->Run();
    }
    SUBCASE("no number: the dialog never opens (it would wait here for ever)") {
        TShellKit::IniWriteString(runner->BrandIniPath, "INI", "port", "http");
        CHECK_THROWS(build->Run());
    }
    CHECK(TShellKit::ReadFileText(runner->BrandIniPath).find("title=Vadrome\r\n") != std::string::npos);
    CHECK(build->Children.empty());
    CHECK_FALSE(TShellKit::FileExists(runme));
    CHECK(runner->TrayIconCalls == std::vector<std::string>{"off", "on"});
}
