// A thin owner of one platform file handle; failures raise EFileError.
#pragma once
#include <cstdint>
#include <string>

#include "util/Handles.h"

enum class TFileCreate { CreateAlways, CreateNew, OpenExisting, OpenAlways, TruncateExisting };
enum class TFileAccess { Read, Write, ReadWrite };
enum class TFileShare { None, Read, Write, ReadWrite };

class TFile {
public:
    TFile(const std::string& fileName, TFileCreate create, TFileAccess access, TFileShare sharing);

    uint64_t GetSize() const;
    // 2,147,483,647 for files of 2 GiB and more.
    uint32_t CappedSize() const;
    uint32_t Read(void* buffer, uint32_t count);
    // Exactly count bytes, or EFileError with ERROR_HANDLE_EOF.
    void ReadBuffer(void* buffer, uint32_t count);
    void WriteBuffer(const void* buffer, uint32_t count);
    void Flush();

private:
    UniqueHandle handle_;
};

// EFileError for the platform's last error, with the system's text.
[[noreturn]] void RaiseLastFileError();
// The system text without trailing blanks, control characters and periods.
std::string TrimErrorText(std::string text);
