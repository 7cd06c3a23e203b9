// The .ico file layout and the RT_GROUP_ICON layout built from it; bytes in,
// bytes out, no platform calls.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

constexpr size_t IconHeaderSize = 6;
constexpr size_t IconFileEntrySize = 16;
constexpr size_t IconGroupEntrySize = 14;
// The largest icon file the icon stamp reads.
constexpr unsigned MaxIconFileSize = 1048576;

struct TIconImage {
    uint32_t offset;
    uint32_t size;
};

// A header that fits and entries whose images lie inside the data; nothing else
// is examined. An executable (starting with "MZ") is never an icon.
bool IsValidIcon(const void* data, size_t size);

// Only for data that passed IsValidIcon (group data: a header of the same shape).
uint16_t IconImageCount(const void* data);
TIconImage IconImageAt(const void* data, unsigned index);
uint16_t IconGroupEntryId(const void* group, unsigned index);

// The group for the icon file's images, numbered 1..count; reserved and type
// words come from the group being replaced, never from the icon file.
std::string BuildIconGroup(const void* oldGroupHeader, const void* iconFile);
