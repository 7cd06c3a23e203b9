#include "StandinStop.h"

#include <windows.h>

#include <memory>

#include "StandinNet.h"
#include "util/Utf.h"

namespace standin {

namespace {

struct TStopWatch {
    UniqueHandle Event;
    std::function<void()> Stop;
    std::string Base;  // the executable's path without ".exe"
};

void Note(const TStopWatch& watch, const std::string& key) {
    AppendToFile(watch.Base + ".log", std::to_string(GetCurrentProcessId()) + "\t" + key + "\t\r\n");
}

bool Ignores(const TStopWatch& watch) {
    return GetPrivateProfileIntW(L"Standin", L"IgnoreStop", 0, Widen(watch.Base + ".ini").c_str()) != 0;
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
    watch->Event.Reset(CreateEventW(nullptr, FALSE, FALSE, Widen(eventName).c_str()));
    watch->Stop = std::move(stop);
    const std::string exe = ModulePath();
    watch->Base = exe.substr(0, exe.rfind('.'));
    if (!watch->Event) return;
    UniqueHandle thread(CreateThread(nullptr, 0, Watch, watch.get(), 0, nullptr));
    if (thread) watch.release();
}

}  // namespace standin
