// Named like a system DLL and put beside the runner: it leaves "<its path>.loaded" when loaded.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)reserved;
    wchar_t path[MAX_PATH + 8];
    if (reason != DLL_PROCESS_ATTACH || !GetModuleFileNameW(instance, path, MAX_PATH)) return TRUE;
    lstrcatW(path, L".loaded");
    HANDLE mark = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (mark != INVALID_HANDLE_VALUE) CloseHandle(mark);
    return TRUE;
}
