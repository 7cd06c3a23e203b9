// Shared by the image decoders: the failure they raise, the size bound and a
// bounds-checked reader over the file's bytes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "util/Errors.h"
#include "util/Picture.h"

class EInvalidGraphic : public Exception {
public:
    using Exception::Exception;
    const char* ClassName() const noexcept override { return "EInvalidGraphic"; }
};

// 64 megapixels (256 MiB as BGRA) and 65535 pixels a side: far beyond any
// splash image, small enough that a forged header cannot exhaust memory.
constexpr std::uint64_t MaxPicturePixels = std::uint64_t(1) << 26;
constexpr std::uint32_t MaxPictureSide = 65535;

[[noreturn]] void InvalidGraphic(const char* what);

// Sizes the picture after refusing dimensions beyond the bounds.
void AllocatePicture(TPicture& picture, std::uint64_t width, std::uint64_t height,
                     std::uint64_t maxPixels);

class TByteReader {
public:
    explicit TByteReader(std::string_view data, std::size_t position = 0)
        : data_(data), position_(position) {}

    std::size_t Position() const { return position_; }
    std::size_t Remaining() const { return position_ <= data_.size() ? data_.size() - position_ : 0; }
    void Seek(std::size_t position) { position_ = position; }
    void Skip(std::size_t count) { Need(count); position_ += count; }

    const std::uint8_t* Take(std::size_t count) {
        Need(count);
        auto* bytes = reinterpret_cast<const std::uint8_t*>(data_.data()) + position_;
        position_ += count;
        return bytes;
    }
    std::uint8_t U8() { return *Take(1); }
    std::uint16_t U16Le() { auto* b = Take(2); return std::uint16_t(b[0] | b[1] << 8); }
    std::uint32_t U32Le() {
        auto* b = Take(4);
        return std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 |
               std::uint32_t(b[3]) << 24;
    }
    std::uint32_t U32Be() {
        auto* b = Take(4);
        return std::uint32_t(b[0]) << 24 | std::uint32_t(b[1]) << 16 | std::uint32_t(b[2]) << 8 |
               std::uint32_t(b[3]);
    }

private:
    void Need(std::size_t count) const {
        if (count > Remaining()) InvalidGraphic("Unexpected end of image data");
    }
    std::string_view data_;
    std::size_t position_;
};
