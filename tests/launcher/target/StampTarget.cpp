// A small executable for the tests to stamp, replace and run. Started, it
// writes its process id to "<own path>.pid" and lives until "<own path>.stop"
// appears or half a minute has passed.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    const std::wstring self(path);
    HANDLE file = CreateFileW((self + L".pid").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        const std::string id = std::to_string(GetCurrentProcessId());
        DWORD written = 0;
        WriteFile(file, id.data(), static_cast<DWORD>(id.size()), &written, nullptr);
        CloseHandle(file);
    }
    for (int i = 0; i < 300; ++i) {
        if (GetFileAttributesW((self + L".stop").c_str()) != INVALID_FILE_ATTRIBUTES) break;
        Sleep(100);
    }
    return 0;
}
