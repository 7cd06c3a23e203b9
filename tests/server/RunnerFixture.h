// A distribution beside the test executable, a window that records the
// runner's hooks, and small helpers over sockets and processes.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "server/Runner.h"

struct ProcessEnded {};  // thrown where the runner's process would end

std::string AppPath();
std::string BinPath();
std::string FakeServerPath();
std::string ReadText(const std::string& file);
void WriteText(const std::string& file, const std::string& text);
bool WaitUntilEnded(const TChildProcess& process);
bool NoProcessRuns(const std::string& exe);
template <class Condition>
bool WaitUntil(Condition condition, unsigned timeoutMs = 10000) {
    for (const ULONGLONG end = GetTickCount64() + timeoutMs; !condition(); Sleep(50))
        if (GetTickCount64() >= end) return false;
    return true;
}
// What a fake server noted about requests to stop (StandinStop.h), in order.
std::vector<std::string> StopNotes(const std::string& exe);
// How the fake server at that path meets a request to stop: section
// [Standin] of its settings file, such as "IgnoreStop=1\r\n" (StandinStop.h).
void SetStopBehaviour(const std::string& exe, const std::string& settings);

// bin (web server, optional database server, templates), www and data.
struct Distribution {
    explicit Distribution(bool withDatabase = true);
    ~Distribution();
    void AddFile(const std::string& relative, const std::string& text = "") const;
    std::string ApacheExe() const { return BinPath() + "\\Apache\\Apache.exe"; }
    std::string MySqlExe() const { return BinPath() + "\\mysql\\bin\\mysqld.exe"; }
};

// Holds a TCP port on an address until destroyed.
class PortHolder {
public:
    PortHolder(int port, const char* ip = "127.0.0.1");
    ~PortHolder();
    bool Held() const { return held_; }

private:
    SOCKET socket_;
    bool held_ = false;
};

std::string HttpGet(int port);

class TFakeWindow : public TRunner {
public:
    TFakeWindow();
    std::vector<std::string> calls;
    std::map<std::string, std::string> settings;  // written over the extracted Config.ini
    bool cdRom = false;
    std::string instanceName;
    int showCommand = 6001;  // relaunched with SW_SHOWNORMAL
    bool navigationFails = false;
    bool windowFails = false;

    std::string ExtractConfigFile() override;

protected:
    void Record(const std::string& call) { calls.push_back(call); }
    void InstallHintWindow() override { Record("InstallHintWindow"); }
    void BuildWindow() override;
    void SetCaption(const std::string& title) override { Record("SetCaption " + title); }
    void PrepareMaximizedStart() override { Record("PrepareMaximizedStart"); }
    void NavigateTo(const std::string& url) override;
    void SetShowMainFormOnStart(bool show) override { Record("SetShowMainFormOnStart " + On(show)); }
    void BringApplicationToFront() override { Record("BringApplicationToFront"); }
    void StartTimer1(unsigned ms) override { Record("StartTimer1 " + std::to_string(ms)); }
    void StopTimer1() override { Record("StopTimer1"); }
    std::string BuildFavoritesMenu() override { Record("BuildFavoritesMenu"); return "favorites"; }
    void SetOrganizeFavoritesBarBreak() override { Record("SetOrganizeFavoritesBarBreak"); }
    void SetBrowserSilent(bool silent) override { Record("SetBrowserSilent " + On(silent)); }
    void SetSettingsItemEnabled(bool enabled) override { Record("SetSettingsItemEnabled " + On(enabled)); }
    void ApplyBrandLayout() override { Record("ApplyBrandLayout"); }
    void SetHomeHint(const std::string& hint) override { Record("SetHomeHint " + hint); }
    void HideCustomizeButton() override { Record("HideCustomizeButton"); }
    void SetBarsVisible(bool toolbar, bool statusBar) override {
        Record("SetBarsVisible " + On(toolbar) + On(statusBar));
    }
    void MoveProgressBarIntoStatusBar() override { Record("MoveProgressBarIntoStatusBar"); }
    void SetAddressText(const std::string& text) override { Record("SetAddressText " + text); }
    void EnterFullScreen() override { Record("EnterFullScreen"); }
    void SetApplicationToolWindow(bool tool) override { Record("SetApplicationToolWindow " + On(tool)); }
    void MinimizeMainWindow() override { Record("MinimizeMainWindow"); }
    void ShowTrayIcon(bool show) override { Record("ShowTrayIcon " + On(show)); }
    void StartSplashCloseTimer() override { Record("StartSplashCloseTimer"); }
    void StopSplashCloseTimer() override { Record("StopSplashCloseTimer"); }
    bool HideMainWindow() override { Record("HideMainWindow"); return false; }
    bool RunsFromCdRom() override { return cdRom; }
    std::string SingleInstanceName() override { return instanceName; }
    TChildProcess StartSplashProcess() override;
    int StartupShowCommand() override { return showCommand; }
    [[noreturn]] void EndProcess() override { throw ProcessEnded{}; }

private:
    static std::string On(bool on) { return on ? "1" : "0"; }
};

bool Called(const TFakeWindow& window, const std::string& call);
// How long a step of the runner took, up to where its process would end.
ULONGLONG MillisecondsOf(void (TRunner::*step)(), TRunner& runner);
// Servers, splash and browser all gone after the runner ended.
void CheckEverythingKilled(const TFakeWindow& window, const Distribution& distribution);
