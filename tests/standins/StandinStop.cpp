#include "StandinStop.h"

#include <windows.h>

#include <memory>

#include "StandinAnsi.h"
#include "util/Handles.h"

namespace standin {

namespace {

struct TStopWatch {
    std::string EventName;
    std::function<void()> Stop;
};

// The executable's path without ".exe".
std::string BasePath() {
    char exe[MAX_PATH] = "";
    const std::string path(exe, GetModuleFileNameA(nullptr, exe, MAX_PATH));
    return path.substr(0, path.rfind('.'));
}

unsigned long long Ticks(const FILETIME& time) {
    return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

DWORD WINAPI Watch(void* parameter) {
    const std::unique_ptr<TStopWatch> watch(static_cast<TStopWatch*>(parameter));
    WaitSinceStart(Setting("ListenAfterMs"));
    UniqueHandle event(CreateEventA(nullptr, FALSE, FALSE, watch->EventName.c_str()));
    while (event && WaitForSingleObject(event.Get(), INFINITE) == WAIT_OBJECT_0) {
        Note("stop-asked");
        if (Setting("IgnoreStop")) {
            Note("stop-ignored");
            continue;
        }
        watch->Stop();
        Note("stopped");
        ExitProcess(0);
    }
    return 0;
}

}  // namespace

unsigned Setting(const char* key) {
    return GetPrivateProfileIntA("Standin", key, 0, (BasePath() + ".ini").c_str());
}

void Note(const std::string& key, const std::string& value) {
    ansi::AppendToFile(BasePath() + ".log", std::to_string(GetCurrentProcessId()) + "\t" + key + "\t" + value + "\r\n");
}

unsigned long long SystemTicks() {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    return Ticks(now);
}

void WaitSinceStart(unsigned milliseconds) {
    FILETIME created{}, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    const unsigned long long due = Ticks(created) + milliseconds * 10000ULL, now = SystemTicks();
    if (due > now) Sleep(static_cast<DWORD>((due - now) / 10000));
}

void OnStopRequest(const std::string& eventName, std::function<void()> stop) {
    auto watch = std::make_unique<TStopWatch>();
    watch->EventName = eventName;
    watch->Stop = std::move(stop);
    UniqueHandle thread(CreateThread(nullptr, 0, Watch, watch.get(), 0, nullptr));
    if (thread) watch.release();
}

}  // namespace standin
