#include "util/EmbeddedData.h"

#include <cstring>

#include "util/Errors.h"

namespace {

template <class T>
T ReadLittle(std::string_view bytes, size_t at) {
    T value = 0;
    for (size_t i = 0; i < sizeof(T); ++i) value |= T(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    return value;
}

template <class T>
void AppendLittle(std::string& out, T value) {
    for (size_t i = 0; i < sizeof(T); ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

}  // namespace

std::optional<TEmbeddedTrailer> ParseEmbeddedTrailer(std::string_view tail) {
    if (tail.size() < EmbeddedTrailerSize) return std::nullopt;
    tail = tail.substr(tail.size() - EmbeddedTrailerSize);
    if (tail.substr(12) != std::string_view(EmbeddedDataMagic, 8)) return std::nullopt;
    return TEmbeddedTrailer{ReadLittle<std::uint32_t>(tail, 0), ReadLittle<std::uint64_t>(tail, 4)};
}

TEmbeddedData ParseEmbeddedEntries(std::string_view entries, const TEmbeddedTrailer& trailer) {
    TEmbeddedData data;
    size_t at = 0;
    auto take = [&](size_t length) {
        if (length > entries.size() - at) throw Exception("The embedded data is damaged");
        const std::string_view part = entries.substr(at, length);
        at += length;
        return part;
    };
    for (std::uint32_t i = 0; i < trailer.Count; ++i) {
        const std::string name(take(ReadLittle<std::uint32_t>(take(4), 0)));
        data[name] = std::string(take(ReadLittle<std::uint32_t>(take(4), 0)));
    }
    if (at != entries.size()) throw Exception("The embedded data is damaged");
    return data;
}

std::string BuildEmbeddedPayload(const TEmbeddedData& data) {
    std::string out;
    for (const auto& [name, bytes] : data) {
        AppendLittle<std::uint32_t>(out, static_cast<std::uint32_t>(name.size()));
        out += name;
        AppendLittle<std::uint32_t>(out, static_cast<std::uint32_t>(bytes.size()));
        out += bytes;
    }
    const std::uint64_t length = out.size();
    AppendLittle<std::uint32_t>(out, static_cast<std::uint32_t>(data.size()));
    AppendLittle<std::uint64_t>(out, length);
    out.append(EmbeddedDataMagic, 8);
    return out;
}
