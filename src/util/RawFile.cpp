#include "util/RawFile.h"

#include <cstdio>

#include "util/Errors.h"
#include "util/Utf.h"

namespace {

constexpr DWORD CreateDispositions[] = {CREATE_ALWAYS, CREATE_NEW, OPEN_EXISTING, OPEN_ALWAYS,
                                        TRUNCATE_EXISTING};
constexpr DWORD AccessModes[] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};
constexpr DWORD ShareModes[] = {0, FILE_SHARE_READ, FILE_SHARE_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE};

std::string SystemErrorText(DWORD code) {
    wchar_t buffer[1024] = {};
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, buffer,
                   1024, nullptr);
    return Narrow(buffer);
}

}  // namespace

std::string TrimErrorText(std::string text) {
    while (!text.empty() && (static_cast<unsigned char>(text.back()) < '!' || text.back() == '.'))
        text.pop_back();
    return text;
}

void RaiseLastFileError() {
    const DWORD code = GetLastError();
    std::string text = TrimErrorText(SystemErrorText(code));
    if (text.empty()) {
        char fallback[64];
        std::snprintf(fallback, sizeof fallback, "File I/O error %lu", static_cast<unsigned long>(code));
        text = fallback;
    }
    throw EFileError(text, code);
}

TFile::TFile(const std::string& fileName, TFileCreate create, TFileAccess access, TFileShare sharing)
    : handle_(CreateFileW(Widen(fileName).c_str(), AccessModes[static_cast<int>(access)],
                          ShareModes[static_cast<int>(sharing)], nullptr,
                          CreateDispositions[static_cast<int>(create)], FILE_ATTRIBUTE_NORMAL, nullptr)) {
    if (!handle_) RaiseLastFileError();
}

uint64_t TFile::GetSize() const {
    DWORD high = 0;
    SetLastError(NO_ERROR);
    const DWORD low = GetFileSize(handle_.Get(), &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) RaiseLastFileError();
    return (static_cast<uint64_t>(high) << 32) | low;
}

uint32_t TFile::CappedSize() const {
    const uint64_t size = GetSize();
    return size > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<uint32_t>(size);
}

uint32_t TFile::Read(void* buffer, uint32_t count) {
    DWORD done = 0;
    if (!ReadFile(handle_.Get(), buffer, count, &done, nullptr)) RaiseLastFileError();
    return done;
}

void TFile::ReadBuffer(void* buffer, uint32_t count) {
    if (Read(buffer, count) < count) {
        SetLastError(ERROR_HANDLE_EOF);
        RaiseLastFileError();
    }
}

void TFile::WriteBuffer(const void* buffer, uint32_t count) {
    DWORD done = 0;
    if (!WriteFile(handle_.Get(), buffer, count, &done, nullptr)) RaiseLastFileError();
    if (done < count) {
        SetLastError(ERROR_HANDLE_DISK_FULL);
        RaiseLastFileError();
    }
}

void TFile::Flush() {
    if (!FlushFileBuffers(handle_.Get())) RaiseLastFileError();
}
