// Child program for the process tests.
//   sleep MS        sleeps, then ends
//   spawn MS        starts "sleep MS" of itself, then sleeps
#include <windows.h>

#include <cstdlib>
#include <string>

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return 2;
    const std::wstring mode = argv[1];
    const DWORD milliseconds = static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10));
    if (mode == L"spawn") {
        wchar_t self[MAX_PATH];
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        std::wstring commandLine = L"\"" + std::wstring(self) + L"\" sleep " + argv[2];
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION info{};
        if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &info))
            return 3;
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
    Sleep(milliseconds);
    return 0;
}
