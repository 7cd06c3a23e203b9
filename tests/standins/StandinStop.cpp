#include "StandinStop.h"

#include <windows.h>

#include <memory>

#include "StandinAnsi.h"
#include "util/Handles.h"

namespace standin {

namespace {

struct TStopWatch {
    UniqueHandle Event;
    std::function<void()> Stop;
    std::string Base;  // the executable's path without ".exe"
};

void Note(const TStopWatch& watch, const std::string& key) {
    ansi::AppendToFile(watch.Base + ".log", std::to_string(GetCurrentProcessId()) + "\t" + key + "\t\r\n");
}

bool Ignores(const TStopWatch& watch) {
    return GetPrivateProfileIntA("Standin", "IgnoreStop", 0, (watch.Base + ".ini").c_str()) != 0;
}

DWORD WINAPI Watch(void* parameter) {
    const std::unique_ptr<TStopWatch> watch(static_cast<TStopWatch*>(parameter));
    while (WaitForSingleObject(watch->Event.Get(), INFINITE) == WAIT_OBJECT_0) {
        Note(*watch, "stop-asked");
        if (Ignores(*watch)) {
            Note(*watch, "stop-ignored");
            continue;
        }
        watch->Stop();
        Note(*watch, "stopped");
        ExitProcess(0);
    }
    return 0;
}

}  // namespace

void OnStopRequest(const std::string& eventName, std::function<void()> stop) {
    auto watch = std::make_unique<TStopWatch>();
    watch->Event.Reset(CreateEventA(nullptr, FALSE, FALSE, eventName.c_str()));
    watch->Stop = std::move(stop);
    char exe[MAX_PATH] = "";
    const std::string path(exe, GetModuleFileNameA(nullptr, exe, MAX_PATH));
    watch->Base = path.substr(0, path.rfind('.'));
    if (!watch->Event) return;
    UniqueHandle thread(CreateThread(nullptr, 0, Watch, watch.get(), 0, nullptr));
    if (thread) watch.release();
}

}  // namespace standin
