// Named data carried in an executable after its own image: the Linux
// runner's settings, icon and splash. Layout, all numbers little-endian:
//   image | entry... | trailer
//   entry:   u32 name length, name bytes, u32 data length, data bytes
//   trailer: u32 entry count, u64 length of all entries, 8 bytes "VDRMDATA"
// Stamping cuts the file at the start of the first entry and appends anew.
#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

inline constexpr char EmbeddedDataMagic[] = "VDRMDATA";
inline constexpr size_t EmbeddedTrailerSize = 4 + 8 + 8;

using TEmbeddedData = std::map<std::string, std::string>;

struct TEmbeddedTrailer {
    std::uint32_t Count = 0;
    std::uint64_t EntriesLength = 0;
};
// The trailer at the end of the bytes; none when the magic is missing.
std::optional<TEmbeddedTrailer> ParseEmbeddedTrailer(std::string_view tail);
// The entries; throws Exception when they do not fit the trailer.
TEmbeddedData ParseEmbeddedEntries(std::string_view entries, const TEmbeddedTrailer& trailer);
// Entries and trailer, to be appended to the image.
std::string BuildEmbeddedPayload(const TEmbeddedData& data);
