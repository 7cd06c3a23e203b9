#include "util/image/BmpDecoder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <vector>

namespace {

enum TCompression { biRgb = 0, biRle8 = 1, biRle4 = 2, biBitfields = 3, biAlphaBitfields = 6 };

constexpr std::uint32_t CoreHeaderSize = 12;
constexpr std::uint32_t InfoHeaderSize = 40;

struct TBmpInfo {
    std::uint32_t PixelOffset = 0;
    std::int64_t Width = 0;
    std::int64_t Height = 0;  // negative: rows stored top-down
    int BitCount = 0;
    std::uint32_t Compression = biRgb;
    std::uint32_t ColorsUsed = 0;
    std::array<std::uint32_t, 4> Masks{};  // red, green, blue, alpha
    bool HasMasks = false;
    bool Core = false;  // the old 12-byte header, with 3-byte palette entries
};

TBmpInfo ReadInfo(TByteReader& reader) {
    if (reader.U8() != 'B' || reader.U8() != 'M') InvalidGraphic("Not a bitmap file");
    reader.Skip(8);  // file size and reserved words: often wrong in the wild
    TBmpInfo info;
    info.PixelOffset = reader.U32Le();
    const std::size_t headerStart = reader.Position();
    const std::uint32_t headerSize = reader.U32Le();
    if (headerSize == CoreHeaderSize) {
        info.Core = true;
        info.Width = reader.U16Le();
        info.Height = reader.U16Le();
        reader.Skip(2);
        info.BitCount = reader.U16Le();
    } else if (headerSize >= InfoHeaderSize) {
        info.Width = std::int32_t(reader.U32Le());
        info.Height = std::int32_t(reader.U32Le());
        reader.Skip(2);
        info.BitCount = reader.U16Le();
        info.Compression = reader.U32Le();
        reader.Skip(12);
        info.ColorsUsed = reader.U32Le();
        reader.Skip(4);
        // Masks follow the 40-byte header, or sit inside a larger one.
        const bool bitfields = info.Compression == biBitfields || info.Compression == biAlphaBitfields;
        const int maskCount = headerSize >= 56 || info.Compression == biAlphaBitfields ? 4 : 3;
        if (bitfields || headerSize >= 56) {
            for (int i = 0; i < maskCount; ++i) info.Masks[i] = reader.U32Le();
            info.HasMasks = bitfields;
        }
    } else {
        InvalidGraphic("Unknown bitmap header");
    }
    if (headerSize > InfoHeaderSize) reader.Seek(headerStart + headerSize);
    return info;
}

// Palette entries are BGR plus a reserved byte, or bare BGR with the old header.
std::vector<std::array<std::uint8_t, 4>> ReadPalette(TByteReader& reader, const TBmpInfo& info) {
    std::vector<std::array<std::uint8_t, 4>> palette(256, {0, 0, 0, 255});
    if (info.BitCount > 8) return palette;
    const std::uint32_t maximum = 1u << info.BitCount;
    const std::uint32_t count = info.ColorsUsed == 0 || info.ColorsUsed > maximum ? maximum : info.ColorsUsed;
    const std::size_t entrySize = info.Core ? 3 : 4;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint8_t* entry = reader.Take(entrySize);
        palette[i] = {entry[0], entry[1], entry[2], 255};
    }
    return palette;
}

class TPixelSink {
public:
    TPixelSink(TPicture& picture, bool topDown) : picture_(picture), topDown_(topDown) {}
    // Row y counted in file order.
    std::uint8_t* Row(std::int64_t y) {
        const std::int64_t row = topDown_ ? y : picture_.Height - 1 - y;
        return picture_.Bgra.data() + std::size_t(row) * picture_.Width * 4;
    }

private:
    TPicture& picture_;
    bool topDown_;
};

struct TMaskChannel {
    std::uint32_t Mask = 0;
    int Shift = 0;
    std::uint32_t Max = 0;

    explicit TMaskChannel(std::uint32_t mask) : Mask(mask) {
        if (mask == 0) return;
        Shift = std::countr_zero(mask);
        Max = mask >> Shift;
    }
    std::uint8_t Extract(std::uint32_t value, std::uint8_t absent) const {
        if (Max == 0) return absent;
        return std::uint8_t((std::uint64_t((value & Mask) >> Shift) * 255 + Max / 2) / Max);
    }
};

void DecodeMaskedRows(TByteReader& reader, const TBmpInfo& info, TPixelSink& sink, std::size_t stride) {
    std::array<std::uint32_t, 4> masks = info.Masks;
    if (!info.HasMasks) {
        masks = info.BitCount == 16 ? std::array<std::uint32_t, 4>{0x7c00, 0x03e0, 0x001f, 0}
                                    : std::array<std::uint32_t, 4>{0xff0000, 0x00ff00, 0x0000ff, 0};
    }
    const TMaskChannel red(masks[0]), green(masks[1]), blue(masks[2]), alpha(masks[3]);
    const int bytes = info.BitCount / 8;
    for (std::int64_t y = 0; y < std::abs(info.Height); ++y) {
        const std::uint8_t* in = reader.Take(stride);
        std::uint8_t* out = sink.Row(y);
        for (std::int64_t x = 0; x < info.Width; ++x, in += bytes, out += 4) {
            const std::uint32_t value = bytes == 2 ? std::uint32_t(in[0] | in[1] << 8)
                                                   : std::uint32_t(in[0]) | std::uint32_t(in[1]) << 8 |
                                                         std::uint32_t(in[2]) << 16 | std::uint32_t(in[3]) << 24;
            out[0] = blue.Extract(value, 0);
            out[1] = green.Extract(value, 0);
            out[2] = red.Extract(value, 0);
            out[3] = alpha.Extract(value, 255);
        }
    }
}

std::size_t RowStride(const TBmpInfo& info) { return (std::size_t(info.Width) * info.BitCount + 31) / 32 * 4; }

void DecodePlainRows(TByteReader& reader, const TBmpInfo& info, const std::vector<std::array<std::uint8_t, 4>>& palette,
                     TPixelSink& sink) {
    const std::size_t stride = RowStride(info);
    if (info.BitCount == 16 || info.BitCount == 32) return DecodeMaskedRows(reader, info, sink, stride);
    const int depth = info.BitCount;
    for (std::int64_t y = 0; y < std::abs(info.Height); ++y) {
        const std::uint8_t* in = reader.Take(stride);
        std::uint8_t* out = sink.Row(y);
        if (depth == 24) {
            for (std::int64_t x = 0; x < info.Width; ++x, in += 3, out += 4) {
                out[0] = in[0]; out[1] = in[1]; out[2] = in[2]; out[3] = 255;
            }
            continue;
        }
        const int perByte = 8 / depth, mask = (1 << depth) - 1;
        for (std::int64_t x = 0; x < info.Width; ++x, out += 4) {
            const int shift = 8 - depth * (1 + int(x % perByte));
            std::memcpy(out, palette[(in[x / perByte] >> shift) & mask].data(), 4);
        }
    }
}

// Run-length rows: pixels the runs skip keep palette entry 0.
void DecodeRunLengthRows(TByteReader& reader, const TBmpInfo& info,
                         const std::vector<std::array<std::uint8_t, 4>>& palette, TPixelSink& sink) {
    const bool nibbles = info.Compression == biRle4;
    const std::int64_t width = info.Width, height = info.Height;
    for (std::int64_t y = 0; y < height; ++y) {
        std::uint8_t* out = sink.Row(y);
        for (std::int64_t x = 0; x < width; ++x) std::memcpy(out + 4 * x, palette[0].data(), 4);
    }
    std::int64_t x = 0, y = 0;
    // Pixels beyond the row's end are dropped without a loop over them.
    auto putRun = [&](int count, auto indexAt) {
        const std::int64_t visible = std::min<std::int64_t>(count, std::max<std::int64_t>(0, width - x));
        for (int i = 0; i < visible; ++i) std::memcpy(sink.Row(y) + 4 * (x + i), palette[indexAt(i)].data(), 4);
        x += count;
    };
    while (y < height) {
        const std::uint8_t count = reader.U8(), value = reader.U8();
        if (count > 0) {
            putRun(count, [&](int i) { return nibbles ? (i % 2 ? value & 15 : value >> 4) : value; });
        } else if (value == 0) {
            x = 0, ++y;
        } else if (value == 1) {
            return;
        } else if (value == 2) {
            x += reader.U8();
            y += reader.U8();
        } else {
            const std::size_t length = nibbles ? (value + 1) / 2 : value;
            const std::uint8_t* run = reader.Take(length);
            putRun(value, [&](int i) { return nibbles ? (i % 2 ? run[i / 2] & 15 : run[i / 2] >> 4) : run[i]; });
            reader.Skip(length % 2);  // absolute runs end on a word boundary
        }
    }
}

void CheckFormat(const TBmpInfo& info) {
    const int bits = info.BitCount;
    const bool known = bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    if (!known) InvalidGraphic("Unsupported bitmap depth");
    switch (info.Compression) {
    case biRgb: return;
    case biRle8: if (bits == 8 && info.Height > 0) return; break;
    case biRle4: if (bits == 4 && info.Height > 0) return; break;
    case biBitfields: case biAlphaBitfields: if (bits == 16 || bits == 32) return; break;
    }
    InvalidGraphic("Unsupported bitmap compression");
}

}  // namespace

void DecodeBmp(std::string_view data, TPicture& picture, std::uint64_t maxPixels) {
    TByteReader reader(data);
    const TBmpInfo info = ReadInfo(reader);
    CheckFormat(info);
    if (info.Width <= 0 || info.Height == 0 || info.Height == INT32_MIN) InvalidGraphic("Bad bitmap size");
    const auto palette = ReadPalette(reader, info);
    reader.Seek(info.PixelOffset);
    const bool runLength = info.Compression == biRle4 || info.Compression == biRle8;
    // A short file is refused before its declared size is allocated.
    if (!runLength && info.Width <= MaxPictureSide &&
        RowStride(info) * std::uint64_t(std::abs(info.Height)) > reader.Remaining())
        InvalidGraphic("Bitmap data truncated");
    AllocatePicture(picture, std::uint64_t(info.Width), std::uint64_t(std::abs(info.Height)), maxPixels);
    TPixelSink sink(picture, info.Height < 0);
    if (runLength) {
        DecodeRunLengthRows(reader, info, palette, sink);
    } else {
        DecodePlainRows(reader, info, palette, sink);
    }
}
