// Named like a system DLL and put beside the runner: loaded, it leaves "<its path>.loaded".
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID unused) {
    wchar_t path[MAX_PATH + 8];
    if (reason == DLL_PROCESS_ATTACH && GetModuleFileNameW(instance, path, MAX_PATH))
        CloseHandle(CreateFileW(lstrcatW(path, L".loaded"), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
    return TRUE;
}
