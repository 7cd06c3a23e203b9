// What another (64-bit) process was started with, read from its process
// parameters: what GetStartupInfo and GetCommandLine report inside it.
#pragma once
#include <windows.h>
#include <winternl.h>

#include <optional>
#include <string>

#include "util/Handles.h"
#include "util/Utf.h"

struct TProcessParameters {
    int showCommand = -1;
    std::string commandLine;
};

inline std::optional<TProcessParameters> ReadProcessParameters(int id) {
    using QueryFn = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    auto query = reinterpret_cast<QueryFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, static_cast<DWORD>(id)));
    PROCESS_BASIC_INFORMATION basic{};
    if (!query || !process || query(process.Get(), ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0)
        return std::nullopt;
    constexpr SIZE_T ProcessParametersOffset = 0x20;  // in the 64-bit PEB
    constexpr SIZE_T CommandLineOffset = 0x70;        // in the 64-bit process parameters
    constexpr SIZE_T ShowWindowFlagsOffset = 0xA8;
    const auto read = [&](const void* at, void* into, SIZE_T size) {
        return ReadProcessMemory(process.Get(), at, into, size, nullptr) != FALSE;
    };
    BYTE* parameters = nullptr;
    ULONG show = 0;
    UNICODE_STRING line{};
    if (!read(reinterpret_cast<BYTE*>(basic.PebBaseAddress) + ProcessParametersOffset, &parameters,
              sizeof parameters) ||
        !read(parameters + ShowWindowFlagsOffset, &show, sizeof show) ||
        !read(parameters + CommandLineOffset, &line, sizeof line))
        return std::nullopt;
    std::wstring text(line.Length / sizeof(wchar_t), L'\0');
    if (!text.empty() && !read(line.Buffer, text.data(), line.Length)) return std::nullopt;
    return TProcessParameters{static_cast<int>(show), Narrow(text)};
}
