#include "launcher/LastResort.h"

#include <windows.h>

#include <cstdio>

#include "util/Errors.h"
#include "util/MessageBox.h"
#include "util/Utf.h"

namespace {
std::string ModuleNameOf(const void* address) {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       static_cast<LPCWSTR>(address), &module);
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(module, path, MAX_PATH);
    std::wstring name(path);
    return Narrow(name.substr(name.find_last_of(L"\\/") + 1));
}
}  // namespace

std::string EscapedErrorText(const std::exception* error) {
    const auto* ours = dynamic_cast<const Exception*>(error);
    const char* className = ours ? ours->ClassName() : (error ? "Exception" : "EUnknown");
    const void* address = ours ? ours->Address() : nullptr;
    char head[512];
    std::snprintf(head, sizeof head, "Exception %s in module %s at %p.", className,
                  ModuleNameOf(address ? address : reinterpret_cast<const void*>(&EscapedErrorText)).c_str(),
                  address);
    std::string message = error ? error->what() : "Unknown error";
    return std::string(head) + "\r\n" + WithFinalPeriod(message) + "\r\n";
}

void ShowEscapedError(const std::exception* error) {
    ShowMessageBox(nullptr, EscapedErrorText(error), "Application Error", MB_TASKMODAL | MB_ICONSTOP | MB_OK);
}

void HandleEscapedError(const std::exception* error) {
    ShowEscapedError(error);
    ExitProcess(1);
}
