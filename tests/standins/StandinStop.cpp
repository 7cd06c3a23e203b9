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
    std::string Base;  // the executable's path without ".exe"
};

void Note(const TStopWatch& watch, const std::string& key) {
    ansi::AppendToFile(watch.Base + ".log", std::to_string(GetCurrentProcessId()) + "\t" + key + "\t\r\n");
}

UINT Setting(const TStopWatch& watch, const char* key) {
    return GetPrivateProfileIntA("Standin", key, 0, (watch.Base + ".ini").c_str());
}

DWORD WINAPI Watch(void* parameter) {
    const std::unique_ptr<TStopWatch> watch(static_cast<TStopWatch*>(parameter));
    Sleep(Setting(*watch, "ListenAfterMs"));
    UniqueHandle event(CreateEventA(nullptr, FALSE, FALSE, watch->EventName.c_str()));
    while (event && WaitForSingleObject(event.Get(), INFINITE) == WAIT_OBJECT_0) {
        Note(*watch, "stop-asked");
        if (Setting(*watch, "IgnoreStop")) {
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
    watch->EventName = eventName;
    watch->Stop = std::move(stop);
    char exe[MAX_PATH] = "";
    const std::string path(exe, GetModuleFileNameA(nullptr, exe, MAX_PATH));
    watch->Base = path.substr(0, path.rfind('.'));
    UniqueHandle thread(CreateThread(nullptr, 0, Watch, watch.get(), 0, nullptr));
    if (thread) watch.release();
}

}  // namespace standin
