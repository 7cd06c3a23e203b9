#include "util/IconDirectory.h"

namespace {

const unsigned char* Bytes(const void* data) { return static_cast<const unsigned char*>(data); }

uint16_t Word(const void* data, size_t at) {
    const unsigned char* p = Bytes(data) + at;
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t Dword(const void* data, size_t at) {
    return Word(data, at) | (static_cast<uint32_t>(Word(data, at + 2)) << 16);
}

void AppendWord(std::string& out, uint16_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>(value >> 8);
}

size_t FileEntryAt(unsigned index) { return IconHeaderSize + IconFileEntrySize * index; }

}  // namespace

bool IsValidIcon(const void* data, size_t size) {
    if (size < IconHeaderSize) return false;
    if (Bytes(data)[0] == 'M' && Bytes(data)[1] == 'Z') return false;
    const unsigned count = IconImageCount(data);
    if (size < FileEntryAt(count)) return false;
    for (unsigned i = 0; i < count; ++i) {
        const TIconImage image = IconImageAt(data, i);
        const uint32_t end = image.offset + image.size;
        if (end < image.offset || end > size) return false;
    }
    return true;
}

uint16_t IconImageCount(const void* data) { return Word(data, 4); }

TIconImage IconImageAt(const void* data, unsigned index) {
    const size_t entry = FileEntryAt(index);
    return {Dword(data, entry + 12), Dword(data, entry + 8)};
}

uint16_t IconGroupEntryId(const void* group, unsigned index) {
    return Word(group, IconHeaderSize + IconGroupEntrySize * index + 12);
}

std::string BuildIconGroup(const void* oldGroupHeader, const void* iconFile) {
    const uint16_t count = IconImageCount(iconFile);
    std::string group;
    group.reserve(IconHeaderSize + IconGroupEntrySize * count);
    group.append(static_cast<const char*>(oldGroupHeader), 4);
    AppendWord(group, count);
    for (unsigned i = 0; i < count; ++i) {
        group.append(reinterpret_cast<const char*>(Bytes(iconFile) + FileEntryAt(i)), 12);
        AppendWord(group, static_cast<uint16_t>(i + 1));
    }
    return group;
}
