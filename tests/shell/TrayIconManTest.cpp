// The tray icon manager through its real message window: clicks as the
// shell reports them, the session's end, the taskbar's restart, the menu.
#include <doctest/doctest.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "shell/Application.h"
#include "shell/TrayIconMan.h"
#include "tools/DialogKit.h"

namespace {

// Records what would go to the shell instead of sending it.
class TRecordingTray : public TTrayIconMan {
public:
    explicit TRecordingTray(std::uint32_t& now) : TTrayIconMan([&now] { return now; }) {}
    std::vector<std::pair<DWORD, NOTIFYICONDATAW>> Calls;
    bool Refuse = false, RefuseModify = false;  // as a taskbar still starting, or a busy one, answers

protected:
    BOOL NotifyIcon(DWORD message, NOTIFYICONDATAW& data) override {
        Calls.emplace_back(message, data);
        return !(message == NIM_ADD && Refuse) && !(message == NIM_MODIFY && RefuseModify);
    }
};

struct TTrayFixture {
    std::uint32_t now = 100'000;
    TRecordingTray tray{now};
    int clicks = 0;
    const UINT guard = GetDoubleClickTime() + 55;

    TTrayFixture() { TApplication::Instance().Initialize(); }

    void Install(HWND target = nullptr, HMENU menu = nullptr) {
        tray.Install(LoadIconW(nullptr, IDI_APPLICATION), "Vadrome", target, menu, [this](void* sender) {
            CHECK(sender == nullptr);
            ++clicks;
        });
    }
    LRESULT Shell(LPARAM mouse) {
        return SendMessageW(tray.MessageWindow(), TTrayIconMan::CallbackMessage, 0, mouse);
    }
};

void PumpUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 1000 && !done(); ++i) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        Sleep(10);
    }
}

}  // namespace

TEST_CASE_FIXTURE(TTrayFixture, "install adds the icon once; remove deletes it once") {
    Install();
    REQUIRE(tray.Calls.size() == 1);
    const auto& [message, data] = tray.Calls[0];
    CHECK(message == NIM_ADD);
    CHECK(data.cbSize == NOTIFYICONDATAW_V2_SIZE);
    CHECK(data.hWnd == tray.MessageWindow());
    CHECK(data.uID == 0);
    CHECK(data.uFlags == 7);
    CHECK(data.uCallbackMessage == 0x401);
    CHECK(std::wstring(data.szTip) == L"Vadrome");
    CHECK(tray.Added());

    Install();
    CHECK(tray.Calls.size() == 1);
    tray.Remove();
    tray.Remove();
    REQUIRE(tray.Calls.size() == 2);
    CHECK(tray.Calls[1].first == NIM_DELETE);
    CHECK_FALSE(tray.Added());
    tray.SetEnabled(false);  // not added: nothing to change
    CHECK(tray.Calls.size() == 2);
}

TEST_CASE_FIXTURE(TTrayFixture, "a title too long for the tip is cut with an ellipsis") {
    tray.Install(nullptr, std::string(300, 'x'), nullptr, nullptr, nullptr);
    const std::wstring tip = tray.IconData().szTip;
    CHECK(tip.size() == 127);
    CHECK(tip.back() == L'\x2026');
}

TEST_CASE_FIXTURE(TTrayFixture, "clicks reported through the message window run the handler behind the guard") {
    Install();
    Shell(WM_LBUTTONUP);
    Shell(WM_LBUTTONUP);  // the second half of a double click
    CHECK(clicks == 1);
    Shell(WM_LBUTTONDOWN);
    Shell(WM_RBUTTONUP);  // no right-click handler, no menu
    CHECK(clicks == 1);

    now += guard - 1;
    Shell(WM_LBUTTONUP);
    CHECK(clicks == 1);
    now += 1;
    Shell(WM_LBUTTONUP);
    CHECK(clicks == 2);

    SUBCASE("a disabled icon reports nothing, not even a click queued before") {
        tray.SetEnabled(false);
        CHECK(tray.Calls.back().first == NIM_MODIFY);
        CHECK(tray.Calls.back().second.uCallbackMessage == 0);
        now += 10 * guard;
        Shell(WM_LBUTTONUP);
        CHECK(clicks == 2);
        tray.SetEnabled(true);
        CHECK(tray.Calls.back().second.uCallbackMessage == 0x401);
        Shell(WM_LBUTTONUP);
        CHECK(clicks == 3);
    }
    SUBCASE("the tick counter wraps") {
        now = 0xFFFFFFF0u;  // a click just before the wrap guards up to the top
        Shell(WM_LBUTTONUP);
        CHECK(clicks == 3);
        now = 40;  // wrapped: any message resets the guard
        SendMessageW(tray.MessageWindow(), WM_NULL, 0, 0);
        Shell(WM_LBUTTONUP);
        CHECK(clicks == 4);
        Shell(WM_LBUTTONUP);
        CHECK(clicks == 4);
    }
}

TEST_CASE_FIXTURE(TTrayFixture, "a second click inside the guard brings a visible target to the front") {
    HWND target = CreateWindowExW(0, L"STATIC", L"target", WS_POPUP | WS_VISIBLE, 0, 0, 80, 40, nullptr, nullptr,
                                  nullptr, nullptr);
    HWND other = CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 90, 0, 80, 40, nullptr, nullptr,
                                 nullptr, nullptr);
    Install(target);
    Shell(WM_LBUTTONUP);
    SetForegroundWindow(other);
    REQUIRE(GetForegroundWindow() == other);
    Shell(WM_LBUTTONUP);
    CHECK(clicks == 1);
    CHECK(GetForegroundWindow() == target);
    DestroyWindow(other);
    DestroyWindow(target);
}

TEST_CASE_FIXTURE(TTrayFixture, "a restarted taskbar gets the icon again") {
    Install();
    PostMessageW(HWND_BROADCAST, tray.TaskbarCreatedMessage(), 0, 0);
    PumpUntil([&] { return tray.Calls.size() == 2; });
    REQUIRE(tray.Calls.size() == 2);
    CHECK(tray.Calls[1].first == NIM_ADD);
    CHECK(std::wstring(tray.Calls[1].second.szTip) == L"Vadrome");
    CHECK(tray.Calls[1].second.hWnd == tray.MessageWindow());

    tray.Remove();
    SendMessageW(tray.MessageWindow(), tray.TaskbarCreatedMessage(), 0, 0);
    CHECK(tray.Calls.back().first == NIM_DELETE);  // a removed icon stays away
}

TEST_CASE_FIXTURE(TTrayFixture, "a refused icon: tried again on a timer, taken as there if the shell has it, removed") {
    tray.Refuse = tray.RefuseModify = true;
    Install();
    CHECK_FALSE(tray.Added());
    tray.SetEnabled(false);  // remembered for the add, nothing sent
    CHECK(tray.Calls.size() == 2);
    tray.RefuseModify = false;  // added, though the shell reports failure
    PumpUntil([&] { return tray.Added(); });
    CHECK((tray.Calls.size() == 4 && tray.Calls[3].second.uCallbackMessage == 0));
    tray.RefuseModify = true;
    SendMessageW(tray.MessageWindow(), tray.TaskbarCreatedMessage(), 0, 0);
    CHECK_FALSE(tray.Added());
    tray.Remove();
    CHECK(tray.Calls.back().first == NIM_DELETE);
}

TEST_CASE_FIXTURE(TTrayFixture, "a right click opens the menu at the cursor; the pick is reported") {
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, 41, L"&Show/Hide Main Window");
    AppendMenuW(menu, MF_STRING, 42, L"E&xit");
    std::vector<UINT> picks;
    tray.OnMenuCommand = [&](UINT command) { picks.push_back(command); };
    Install(nullptr, menu);
    const HWND application = TApplication::Instance().Handle();
    // These run inside the menu's own loop.
    RunSteps({[&] {
                  PostKey(application, VK_DOWN);
                  PostKey(application, VK_DOWN);
                  PostKey(application, VK_RETURN);
              },
              [] { EndMenu(); }});
    Shell(WM_RBUTTONUP);
    CHECK(picks == std::vector<UINT>{42});
    CHECK(clicks == 0);
    PendingSteps().clear();
    DestroyMenu(menu);
}
