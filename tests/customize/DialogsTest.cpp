// The Customize, address/port and About dialogs through their handlers and
// their real windows.
#include <doctest/doctest.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "customize/BrandForm.h"
#include "customize/KorvaneAboutForm.h"
#include "customize/SettingsForm.h"
#include "server/Product.h"
#include "tools/DialogKit.h"
#include "tools/TestBoxes.h"
#include "util/Maker.h"
#include "util/ShellKit.h"
#include "util/Utf.h"

namespace {

// A file beside the test executable, where relative names are looked up.
struct TFileBesideExe {
    std::string name, path;
    explicit TFileBesideExe(const std::string& stem)
        : name(stem + " t\xC3\xABst " + std::to_string(GetCurrentProcessId()) + ".png"),
          path(TShellKit::GetAppPath() + name) {
        TShellKit::WriteFileText(path, "x");
    }
    ~TFileBesideExe() { TShellKit::DeleteFileQuiet(path); }
};

const std::string OldImage = "C:\\nowhere\\old.png";
const std::string OldIcon = "C:\\nowhere\\old.ico";

void FillBrand(TfrmBrand& form) {
    using namespace std::string_literals;
    form.SplashFileName = OldImage;
    form.Title = "  My Shop "s;
    form.IconFile = OldIcon;
    form.Toolbar = "1"s;
    form.StatusBar = "0"s;
    form.TrayIcon = ""s;
    form.FullScreen = "yes"s;
    form.IP = "all"s;
    form.Port = 0;
    form.CopyFilesToHardDisk = "0"s;
    form.CustomizeButton = "1"s;
    form.CreateForm();
    form.FormShow();
}

void Show(TDialogForm& dialog) {
    ShowWindow(dialog.Handle(), SW_SHOW);
    SetForegroundWindow(dialog.Handle());
}

std::string Caption(HWND window) {
    wchar_t text[128] = L"";
    GetWindowTextW(window, text, 128);
    return Narrow(text);
}

void CheckQuestionAsked() {
    REQUIRE(RecordedBoxes().size() == 1);
    CHECK(RecordedBoxes()[0].text == "Are you sure you want to do this?");
    CHECK(RecordedBoxes()[0].type == (MB_YESNO | MB_ICONQUESTION));
    RecordedBoxes().clear();
}

}  // namespace

TEST_CASE("Customize: size, texts, tab order and the fixed Apache box") {
    TfrmBrand form(nullptr);
    form.CreateForm();
    CHECK(Caption(form.Handle()) == "Customize");
    const SIZE client = ClientSize(form.Handle());
    CHECK(client.cx == 445);
    CHECK(client.cy == 344);
    CHECK(form.edtTitle.Text() == "#");
    CHECK(form.cboIP.Item(1) == "0.0.0.0");
    CHECK(PaintedTextColor(form.Handle(), form.chkCustomizebutton.Handle()) == clMaroon);

    CHECK(form.Label2.Text() == "Include Apache, MySQL and PHP");
    CHECK(form.CheckBox1.Checked());
    CHECK_FALSE(form.CheckBox1.Enabled());
    CHECK_FALSE(HasStyle(form.CheckBox1.Handle(), WS_TABSTOP));

    const std::vector<HWND> tabs{form.edtTitle.Handle(),      form.edtIcon.Handle(),      form.edtImage.Handle(),
                                 form.chkToolbar.Handle(),    form.chkStatusbar.Handle(), form.chkTrayIcon.Handle(),
                                 form.chkFullScreen.Handle(), form.chkCustomizebutton.Handle(),
                                 form.chkCopyFiles.Handle(),  form.cboIP.Handle(),        form.SpinEdit1.Handle(),
                                 form.btnOK.Handle(),         form.btnCancel.Handle()};
    CHECK(TabChain(form.Handle(), form.edtTitle.Handle()) == tabs);
}

TEST_CASE("Customize: fields go into the controls") {
    TFileBesideExe image("splash");
    TfrmBrand form(nullptr);
    FillBrand(form);
    CHECK(form.edtImage.Text().empty());  // OldImage names no file
    CHECK(form.edtIcon.Text().empty());
    CHECK(form.edtTitle.Text() == "  My Shop ");
    CHECK(form.chkToolbar.Checked());
    CHECK_FALSE(form.chkStatusbar.Checked());
    CHECK(form.chkTrayIcon.Checked());    // empty is on
    CHECK(form.chkFullScreen.Checked());  // anything but "0" is on
    CHECK(form.cboIP.ItemIndex() == 1);   // "all" shows 0.0.0.0
    CHECK(form.SpinEdit1.Text() == "0");  // shown as it is
    CHECK_FALSE(form.chkCopyFiles.Checked());
    CHECK(form.chkCustomizebutton.Checked());
    CHECK(form.CheckBox1.Checked());

    form.SplashFileName = image.path;
    form.IP = "127.0.0.1";
    form.FormShow();
    CHECK(form.edtImage.Text() == image.path);
    CHECK(form.cboIP.ItemIndex() == 0);
}

TEST_CASE("Customize: OK asks first; only No keeps the dialog, any other answer carries the controls out") {
    RecordedBoxes().clear();
    TfrmBrand form(nullptr);
    FillBrand(form);
    form.edtTitle.SetText("  New name  ");
    form.chkStatusbar.SetChecked(true);

    SetNextBoxAnswer(IDNO);
    form.btnOKClick();
    CheckQuestionAsked();
    CHECK(form.ModalResult() == mrNone);
    CHECK(form.Title == "  My Shop ");
    CHECK(form.edtTitle.Text() == "  New name  ");

    SetNextBoxAnswer(IDCANCEL);  // the box closed some other way
    form.btnOKClick();
    CheckQuestionAsked();
    CHECK(form.ModalResult() == mrOk);
    CHECK(form.Title == "New name");
    CHECK(form.Toolbar == "1");
    CHECK(form.StatusBar == "1");
    CHECK(form.TrayIcon == "1");
    CHECK(form.FullScreen == "1");
    CHECK(form.IP == "all");
    CHECK(form.Port == 0);  // never left: kept as it came
    CHECK(form.CopyFilesToHardDisk == "0");
    CHECK(form.CustomizeButton == "1");
    CHECK(form.SplashFileName == OldImage);  // empty fields keep the previous files
    CHECK(form.IconFile == OldIcon);
}

TEST_CASE("Customize: port 0 turns into 1 once the focus has passed through the field") {
    TfrmBrand form(nullptr);
    FillBrand(form);
    Show(form);
    form.SpinEdit1.SetFocus();
    form.btnOK.SetFocus();
    CHECK(form.SpinEdit1.Text() == "1");
    SetNextBoxAnswer(IDYES);
    form.btnOKClick();
    CHECK(form.Port == 1);
    CHECK(form.IP == "all");
    RecordedBoxes().clear();
}

TEST_CASE("Customize: file names typed relative become full paths; unknown names keep the previous value") {
    TFileBesideExe image("splash");
    TFileBesideExe icon("icon");
    TfrmBrand form(nullptr);
    FillBrand(form);

    SUBCASE("relative names, blanks around them") {
        form.edtImage.SetText(image.name);
        form.edtIcon.SetText("  " + icon.name + " ");
        SetNextBoxAnswer(IDYES);
        form.btnOKClick();
        CHECK(form.SplashFileName == image.path);
        CHECK(form.IconFile == icon.path);
    }
    SUBCASE("names of no file") {
        form.edtImage.SetText("no such image.png");
        form.edtIcon.SetText("C:\\nowhere\\other.ico");
        SetNextBoxAnswer(IDYES);
        form.btnOKClick();
        CHECK(form.SplashFileName == OldImage);
        CHECK(form.IconFile == OldIcon);
    }
    RecordedBoxes().clear();
}

TEST_CASE("Customize through its window: typed and confirmed with Alt+O") {
    RecordedBoxes().clear();
    TfrmBrand form(nullptr);
    FillBrand(form);
    RunSteps({[&] {
        CHECK(form.edtTitle.Focused());
        form.edtTitle.SetText("Typed");
        SetNextBoxAnswer(IDYES);
        PostAltKey(form.Handle(), L'o');
    }});
    CHECK(form.ShowModal() == mrOk);
    CHECK(form.Title == "Typed");
    CHECK(form.Port == 0);  // the port field was never entered
    CheckQuestionAsked();
}

TEST_CASE("Customize: a picture button focused by its click leaves OK the default button") {
    TfrmBrand form(nullptr);
    FillBrand(form);
    const auto isDefault = [](const TControl& button) {
        return (GetWindowLongW(button.Handle(), GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    };
    RunSteps({[&] {
                  form.btnSelectIcon.SetFocus();
                  CHECK(form.btnSelectIcon.Focused());
                  CHECK(isDefault(form.btnOK));
                  CHECK_FALSE(isDefault(form.btnSelectIcon));
                  PostKey(form.Handle(), VK_ESCAPE);
              }});
    CHECK(form.ShowModal() == mrCancel);
}

TEST_CASE("address/port: size and tab order") {
    TfrmSettings form(nullptr);
    form.CreateForm();
    CHECK(Caption(form.Handle()) == "Change IP Address or Port");
    const SIZE client = ClientSize(form.Handle());
    CHECK(client.cx == 291);
    CHECK(client.cy == 130);
    CHECK(TabChain(form.Handle(), form.cboIP.Handle()) == std::vector<HWND>{form.cboIP.Handle(), form.SpinEdit1.Handle()});
}

TEST_CASE("address/port: what the dialog shows, always with OK disabled") {
    struct TCase {
        const char* ip;
        int port;
        const char* shownIp;
        const char* shownPort;
    };
    for (const TCase& c : {TCase{"all", 0, "0.0.0.0", "1"}, TCase{"0.0.0.0", 70000, "0.0.0.0", "65535"},
                           TCase{"", 8080, "0.0.0.0", "8080"}, TCase{"127.0.0.1", 1, "127.0.0.1", "1"}}) {
        INFO(c.ip, " ", c.port);
        TfrmSettings form(nullptr);
        form.IP = c.ip;
        form.Port = c.port;
        form.CreateForm();
        form.FormShow();
        CHECK(form.cboIP.Item(form.cboIP.ItemIndex()) == c.shownIp);
        CHECK(form.SpinEdit1.Text() == c.shownPort);
        CHECK_FALSE(form.btnOK.Enabled());
    }
}

TEST_CASE("address/port: OK is enabled by a change, even one taken back") {
    TfrmSettings form(nullptr);
    form.IP = "127.0.0.1";
    form.Port = 8080;
    form.CreateForm();
    form.FormShow();
    Show(form);
    SUBCASE("the list, down and up again") {
        form.cboIP.SetFocus();
        SendMessageW(form.cboIP.Handle(), WM_KEYDOWN, VK_DOWN, 0);
        CHECK(form.cboIP.ItemIndex() == 1);
        SendMessageW(form.cboIP.Handle(), WM_KEYDOWN, VK_UP, 0);
        CHECK(form.cboIP.ItemIndex() == 0);
        CHECK(form.btnOK.Enabled());
    }
    SUBCASE("the port, typed and undone") {
        form.SpinEdit1.SetFocus();
        SendMessageW(form.SpinEdit1.Handle(), EM_SETSEL, 4, 4);
        SendMessageW(form.SpinEdit1.Handle(), WM_CHAR, '1', 0);
        CHECK(form.SpinEdit1.Text() == "80801");
        SendMessageW(form.SpinEdit1.Handle(), EM_UNDO, 0, 0);
        CHECK(form.SpinEdit1.Text() == "8080");
        CHECK(form.btnOK.Enabled());
    }
}

TEST_CASE("address/port: unless the answer is Yes the dialog stays; 0.0.0.0 writes all") {
    RecordedBoxes().clear();
    TfrmSettings form(nullptr);
    form.IP = "127.0.0.1";
    form.Port = 8080;
    form.CreateForm();
    form.FormShow();
    form.cboIP.SetItemIndex(1);
    form.SpinEdit1.SetText("8443");
    for (int answer : {IDNO, IDCANCEL}) {
        SetNextBoxAnswer(answer);
        form.btnOKClick();
        CheckQuestionAsked();
        CHECK(form.ModalResult() == mrNone);
        CHECK(form.IP == "127.0.0.1");
        CHECK(form.Port == 8080);
    }
    SUBCASE("Yes") {
        SetNextBoxAnswer(IDYES);
        form.btnOKClick();
        CheckQuestionAsked();
        CHECK(form.ModalResult() == mrOk);
        CHECK(form.IP == "all");
        CHECK(form.Port == 8443);
    }
    SUBCASE("Cancel") {
        form.btnCancelClick();
        CHECK(form.ModalResult() == mrCancel);
        CHECK(form.IP == "127.0.0.1");
        CHECK(form.Port == 8080);
    }
}

TEST_CASE("address/port through its window: Enter in the port field takes the number into range first") {
    RecordedBoxes().clear();
    TfrmSettings form(nullptr);
    form.IP = "127.0.0.1";
    form.Port = 8080;
    RunSteps({[&] {
                  form.SpinEdit1.SetFocus();
                  form.SpinEdit1.SetText("70000");
                  SetNextBoxAnswer(IDYES);
                  PostKey(form.Handle(), VK_RETURN);
              }});
    CHECK(form.ShowModal() == mrOk);
    CHECK(form.Port == 65535);
    CHECK(form.IP == "127.0.0.1");
    CheckQuestionAsked();
}

TEST_CASE("About: name, version, notice and addresses; lines centred, the icon left of the title") {
    TfrmKorvaneAbout form(nullptr);
    form.CreateForm();
    form.FormShow();
    CHECK(Caption(form.Handle()) == "About");
    const SIZE client = ClientSize(form.Handle());
    CHECK(client.cx == 295);
    CHECK(client.cy == 194);
    CHECK(form.lblTitle.Text() == ProductTitle);
    CHECK(form.lblVersion.Text() == "Version 8.72");
    CHECK(form.lblCopyright.Text() == ProductNotice);
    CHECK(form.lblWebsiteAddr.Text() == MakerWebSite);
    const LOGFONTW titleFont = FontOf(form.lblTitle.Handle());
    CHECK(titleFont.lfHeight == -13);
    CHECK(titleFont.lfWeight == FW_BOLD);

    const TArea title = form.lblTitle.Bounds();
    CHECK(title.Top == 27);
    CHECK(title.Left == (295 - title.Width) / 2);
    CHECK(form.imgIcon.Bounds().Left == title.Left - 32 - 10);
    CHECK(form.imgIcon.Bounds().Top == 19);
    CHECK(form.lblCopyright.Bounds().Left == (295 - form.lblCopyright.Bounds().Width) / 2);

    SUBCASE("a title wider than the dialog puts the icon off its left edge") {
        form.AppTitle = std::string(60, 'W');
        form.FormShow();
        const TArea wide = form.lblTitle.Bounds();
        CHECK(wide.Width > 295);
        CHECK(wide.Left == (295 - wide.Width) / 2);
        CHECK(form.imgIcon.Bounds().Left == wide.Left - 42);
        CHECK(form.imgIcon.Bounds().Left < 0);
    }
}

TEST_CASE("About: the executable's icon at 32 x 32, else the system's application icon") {
    const UniqueIcon own = LoadAboutIcon();
    REQUIRE(own);
    ICONINFO info{};
    REQUIRE(GetIconInfo(own.Get(), &info));
    BITMAP bitmap{};
    GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bitmap), &bitmap);
    CHECK(bitmap.bmWidth == 32);
    CHECK(bitmap.bmHeight == (info.hbmColor ? 32 : 64));
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);

    CHECK(LoadAboutIcon(GetModuleHandleW(L"kernel32.dll")));  // a module without MAINICON

    TfrmKorvaneAbout form(nullptr);
    form.CreateForm();
    form.FormShow();
    CHECK(form.imgIcon.Icon() != nullptr);
}

TEST_CASE("About: a link turns red while the left button is down; the right button changes nothing") {
    TfrmKorvaneAbout form(nullptr);
    form.CreateForm();
    form.FormShow();
    Show(form);
    const HWND mail = form.lblEmailAddr.Handle();
    const HWND site = form.lblWebsiteAddr.Handle();
    CHECK(PaintedTextColor(form.Handle(), mail) == clBlue);
    SendMessageW(mail, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
    CHECK(PaintedTextColor(form.Handle(), mail) == clRed);
    CHECK(PaintedTextColor(form.Handle(), site) == clBlue);
    SendMessageW(mail, WM_LBUTTONUP, 0, MAKELPARAM(1, 500));  // released off the link: no mail program
    CHECK(PaintedTextColor(form.Handle(), mail) == clBlue);

    SendMessageW(site, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(1, 1));
    CHECK(PaintedTextColor(form.Handle(), site) == clBlue);
    SendMessageW(site, WM_RBUTTONUP, 0, MAKELPARAM(1, 1));
    CHECK(PaintedTextColor(form.Handle(), site) == clBlue);
}

TEST_CASE("About: without a Cancel button Esc still closes it") {
    TfrmKorvaneAbout form(nullptr);
    form.CreateForm();
    RunSteps({[&] { PostKey(form.Handle(), VK_ESCAPE); }});
    CHECK(form.ShowModal() == mrCancel);
}

// Run by take_screenshots.sh: each dialog is shown modally, its pose
// announced in poses.txt and held while the script takes a picture.
TEST_CASE("poses for screenshots" * doctest::skip()) {
    const auto pose = [](TDialogForm& dialog, const char* name) {
        RunSteps({[name] {
                      if (FILE* poses = std::fopen("poses.txt", "a")) {
                          std::fprintf(poses, "%s\n", name);
                          std::fclose(poses);
                      }
                  },
                  [&dialog] { dialog.Close(mrOk); }},
                 3000);
        dialog.ShowModal();
    };
    TfrmBrand brand(nullptr);
    FillBrand(brand);
    brand.Title = "My Shop";
    brand.Port = 8080;
    pose(brand, "customize");
    TfrmSettings settings(nullptr);
    settings.IP = "all";
    settings.Port = 8080;
    pose(settings, "address-port");
    TfrmKorvaneAbout about(nullptr);
    pose(about, "about");
    TfrmKorvaneAbout wide(nullptr);
    wide.AppTitle = "A Title Far Too Long For The About Box Of This Runner";
    pose(wide, "about-long-title");
}
