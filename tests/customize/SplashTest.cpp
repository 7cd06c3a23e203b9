#include <doctest/doctest.h>

#include <windows.h>

#include <chrono>
#include <thread>

#include "customize/SplashForm.h"
#include "shell/Application.h"
#include "tools/GuardedHeap.h"
#include "tools/WindowSearch.h"
#include "util/Handles.h"
#include "util/ShellKit.h"
#include "tools/TempFolder.h"
#include "util/Utf.h"
#include "util/image/PictureLoader.h"
#include "util/image/TestEncoders.h"

namespace {

std::string WinePath(std::string path) {
    for (char& c : path)
        if (c == '/') c = '\\';
    return "Z:" + path;
}

// A process of a copy of the executable; terminated when the test ends.
class TChildProcess {
public:
    TChildProcess(const std::string& exe, const std::string& params) {
        std::wstring line = L"\"" + Widen(exe) + L"\" " + Widen(params);
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION info{};
        REQUIRE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info));
        process_.Reset(info.hProcess);
        CloseHandle(info.hThread);
        id_ = info.dwProcessId;
    }
    ~TChildProcess() { TerminateProcess(process_.Get(), 0); }

    bool EndsWithin(DWORD milliseconds) const { return WaitForSingleObject(process_.Get(), milliseconds) == WAIT_OBJECT_0; }

    HWND WaitForWindow() const {
        for (int i = 0; i < 200; ++i) {
            if (HWND window = FindVisibleSplash()) return window;
            Sleep(50);
        }
        return nullptr;
    }

private:
    HWND FindVisibleSplash() const { return FindVisibleWindowOf(id_, L"TfrmSplash"); }

    UniqueHandle process_;
    DWORD id_ = 0;
};

// What the screen shows inside the rectangle, as BGRA.
TPicture Screenshot(const RECT& r) {
    TPicture shot;
    shot.Width = r.right - r.left, shot.Height = r.bottom - r.top;
    shot.Bgra.resize(std::size_t(shot.Width) * shot.Height * 4);
    std::uint8_t* bits = nullptr;
    UniqueBitmap bitmap = CreateBgraBitmap(shot.Width, shot.Height, bits);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(memory, bitmap.Get());
    BitBlt(memory, 0, 0, shot.Width, shot.Height, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    std::copy_n(bits, shot.Bgra.size(), shot.Bgra.begin());
    for (std::size_t i = 3; i < shot.Bgra.size(); i += 4) shot.Bgra[i] = 255;
    return shot;
}

// The visible part of the picture placed at `at` must match the screen there.
int WorstDifference(const TPicture& expected, const RECT& at) {
    const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
    const RECT visible{std::max(0L, at.left), std::max(0L, at.top), std::min<LONG>(screenW, at.right),
                       std::min<LONG>(screenH, at.bottom)};
    const TPicture shot = Screenshot(visible);
    int worst = 0;
    for (int y = 0; y < shot.Height; ++y)
        for (int x = 0; x < shot.Width; ++x)
            for (int c = 0; c < 3; ++c) {
                const int ex = x + visible.left - at.left, ey = y + visible.top - at.top;
                const int a = shot.Bgra[(std::size_t(y) * shot.Width + x) * 4 + c];
                const int b = expected.Bgra[(std::size_t(ey) * expected.Width + ex) * 4 + c];
                worst = std::max(worst, std::abs(a - b));
            }
    return worst;
}

std::string BuiltExecutable() { return WinePath(VADROME_EXE); }

std::string WriteSettings(const TempFolder& temp, const std::string& body) {
    const std::string ini = temp / "Config.ini";
    TShellKit::WriteFileText(ini, "[INI]\r\n" + body);
    return ini;
}

// A copy of the executable whose RES_SPLASH the "/splash" stamping mode replaced.
std::string CopyWithSplash(const TempFolder& temp, const std::string& name, const std::string& image) {
    const std::string exe = temp / name;
    const std::string imageFile = temp / (name + ".img");
    REQUIRE(CopyFileW(Widen(BuiltExecutable()).c_str(), Widen(exe).c_str(), FALSE));
    TShellKit::WriteFileText(imageFile, image);
    TChildProcess stamper(BuiltExecutable(), "/splash \"" + exe + "\" \"" + imageFile + "\"");
    REQUIRE(stamper.EndsWithin(30000));
    return exe;
}

void CheckSplashShows(const std::string& exe, const std::string& ini, const TPicture& expected, int tolerance) {
    TChildProcess child(exe, "splash \"" + ini + "\"");
    HWND window = child.WaitForWindow();
    REQUIRE(window);
    RECT r{};
    GetWindowRect(window, &r);
    const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
    CHECK(r.right - r.left == expected.Width);
    CHECK(r.bottom - r.top == expected.Height);
    CHECK(r.left == (screenW - expected.Width) / 2);
    CHECK(r.top == (screenH - expected.Height) / 2);
    CHECK((GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0);
    CHECK((GetWindowLongW(window, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME)) == 0);
    Sleep(300);  // let the child paint
    CHECK(WorstDifference(expected, r) <= tolerance);
    CHECK_FALSE(child.EndsWithin(0));
}

TPicture KnownPicture(int width, int height, std::string& png) {
    TPngImage image;
    image.Width = width, image.Height = height, image.ColorType = 2;
    FillKnownSamples(image);
    png = EncodePng(image);
    return ExpectedPngPixels(image);
}

}  // namespace

TEST_CASE("splash mode shows the built-in image centred at its size") {
    TempFolder temp;
    TPicture expected;
    TShellKit::LoadPictureFromString(expected, TShellKit::ReadFileText(WinePath(VADROME_SPLASH_PNG)));
    REQUIRE(expected.Width == 424);
    REQUIRE(expected.Height == 222);
    CheckSplashShows(BuiltExecutable(), WriteSettings(temp, "showsplash=no\r\n"), expected, 0);
}

TEST_CASE("showsplash=0: no window and the process ends by itself") {
    TempFolder temp;
    TChildProcess child(BuiltExecutable(), "splash \"" + WriteSettings(temp, "showsplash=0\r\n") + "\"");
    CHECK(child.EndsWithin(10000));
}

TEST_CASE("JPEG and PNG images stamped into the executable show as well") {
    TempFolder temp;
    const std::string ini = WriteSettings(temp, "");
    SUBCASE("PNG, pixel for pixel") {
        std::string png;
        const TPicture expected = KnownPicture(200, 120, png);
        CheckSplashShows(CopyWithSplash(temp, "png.exe", png), ini, expected, 0);
    }
    SUBCASE("JPEG, within the codec's error") {
        std::vector<std::uint8_t> rgb;
        for (int y = 0; y < 90; ++y)
            for (int x = 0; x < 160; ++x) rgb.insert(rgb.end(), {std::uint8_t(x), std::uint8_t(y * 2), 90});
        TPicture expected;
        expected.Width = 160, expected.Height = 90;
        for (std::size_t i = 0; i < rgb.size(); i += 3) expected.Bgra.insert(expected.Bgra.end(), {rgb[i + 2], rgb[i + 1], rgb[i], 255});
        CheckSplashShows(CopyWithSplash(temp, "jpeg.exe", EncodeJpeg(160, 90, rgb, {})), ini, expected, 6);
    }
    SUBCASE("an image larger than the screen overhangs every edge") {
        std::string png;
        const TPicture expected = KnownPicture(GetSystemMetrics(SM_CXSCREEN) + 101, GetSystemMetrics(SM_CYSCREEN) + 60, png);
        CheckSplashShows(CopyWithSplash(temp, "large.exe", png), ini, expected, 0);
    }
    SUBCASE("undecodable data: an empty window, no message") {
        TChildProcess child(CopyWithSplash(temp, "junk.exe", "not an image"), "splash \"" + ini + "\"");
        Sleep(1500);
        CHECK_FALSE(child.EndsWithin(0));
    }
}

TEST_CASE("the splash form ignores clicks and frees itself on close") {
    TApplication::Instance().Initialize();
    // Reading the form once it is freed faults here instead of passing unseen.
    TGuardedHeap guarded;
    frmSplash = TfrmSplash::Create(TApplication::Instance().Handle());
    HWND window = frmSplash->Handle();
    frmSplash->Show();
    CHECK(frmSplash->Shown());
    RECT before{};
    GetWindowRect(window, &before);
    HWND image = GetWindow(window, GW_CHILD);
    SendMessageW(image, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    SendMessageW(image, WM_LBUTTONUP, 0, 0);
    SendMessageW(window, WM_LBUTTONUP, 0, 0);
    RECT after{};
    GetWindowRect(window, &after);
    CHECK(IsWindowVisible(window));
    CHECK(EqualRect(&before, &after));
    // Position changes re-raise the hidden owner without recursing (Wine shows no
    // topmost style on a hidden window, so only the absence of a hang is checked).
    SetWindowPos(window, HWND_NOTOPMOST, 10, 10, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    SUBCASE("closed through the system menu") { SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0); }
    SUBCASE("closed by WM_CLOSE") { SendMessageW(window, WM_CLOSE, 0, 0); }
    CHECK_FALSE(IsWindow(window));
    CHECK(frmSplash == nullptr);
}
