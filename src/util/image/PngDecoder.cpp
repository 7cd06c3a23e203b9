#include "util/image/PngDecoder.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace {

constexpr std::string_view PngSignature("\x89PNG\r\n\x1a\n", 8);

#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
constexpr bool VerifyChecksums = false;  // lets mutated inputs reach the decoding
#else
constexpr bool VerifyChecksums = true;
#endif

enum TColorType { ctGray = 0, ctRgb = 2, ctPalette = 3, ctGrayAlpha = 4, ctRgba = 6 };

struct TPngHeader {
    std::uint32_t Width = 0;
    std::uint32_t Height = 0;
    int BitDepth = 0;
    int ColorType = 0;
    bool Interlaced = false;
};

struct TPngFile {
    TPngHeader Header;
    std::vector<std::uint8_t> Palette;       // RGB triples
    std::string_view Transparency;           // tRNS payload, empty when absent
    std::vector<std::string_view> ImageData; // IDAT payloads in order
};

int ChannelCount(int colorType) {
    switch (colorType) {
    case ctGray: case ctPalette: return 1;
    case ctGrayAlpha: return 2;
    case ctRgb: return 3;
    default: return 4;
    }
}

bool DepthAllowed(int colorType, int depth) {
    switch (colorType) {
    case ctGray: return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case ctPalette: return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case ctRgb: case ctGrayAlpha: case ctRgba: return depth == 8 || depth == 16;
    default: return false;
    }
}

TPngHeader ParseHeader(TByteReader chunk) {
    TPngHeader header;
    header.Width = chunk.U32Be();
    header.Height = chunk.U32Be();
    header.BitDepth = chunk.U8();
    header.ColorType = chunk.U8();
    const int compression = chunk.U8(), filter = chunk.U8(), interlace = chunk.U8();
    if (!DepthAllowed(header.ColorType, header.BitDepth)) InvalidGraphic("Bad PNG colour type or depth");
    if (compression != 0 || filter != 0 || interlace > 1) InvalidGraphic("Bad PNG method");
    if (header.Width == 0 || header.Height == 0 || header.Width > 0x7fffffffu || header.Height > 0x7fffffffu)
        InvalidGraphic("Bad PNG size");
    header.Interlaced = interlace == 1;
    return header;
}

bool IsLetter(std::uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Walks the chunks once: CRCs, the order of the critical chunks, and what
// decoding needs. Ancillary chunks other than tRNS are skipped.
TPngFile ParseChunks(std::string_view data) {
    if (!LooksLikePng(data)) InvalidGraphic("Not a PNG file");
    TByteReader reader(data, PngSignature.size());
    TPngFile file;
    bool haveHeader = false, havePalette = false, idatEnded = false;
    for (;;) {
        const std::uint32_t length = reader.U32Be();
        if (length > 0x7fffffffu) InvalidGraphic("Bad PNG chunk length");
        const std::uint8_t* typeAndData = reader.Take(4 + std::size_t(length));
        const std::uint32_t crc = reader.U32Be();
        const std::string_view type(reinterpret_cast<const char*>(typeAndData), 4);
        const std::string_view payload(reinterpret_cast<const char*>(typeAndData) + 4, length);
        if (!std::all_of(typeAndData, typeAndData + 4, IsLetter)) InvalidGraphic("Bad PNG chunk type");
        const bool critical = type[0] >= 'A' && type[0] <= 'Z';
        const bool crcOk = !VerifyChecksums || crc32(0, typeAndData, 4 + length) == crc;
        if (!crcOk && critical) InvalidGraphic("PNG CRC error");
        if (!haveHeader && type != "IHDR") InvalidGraphic("PNG without IHDR");
        if (!file.ImageData.empty() && type != "IDAT") idatEnded = true;

        if (type == "IHDR") {
            if (haveHeader || length != 13) InvalidGraphic("Bad IHDR");
            file.Header = ParseHeader(TByteReader(payload));
            haveHeader = true;
        } else if (type == "PLTE") {
            const int colorType = file.Header.ColorType;
            if (havePalette || !file.ImageData.empty() || colorType == ctGray || colorType == ctGrayAlpha)
                InvalidGraphic("Misplaced PLTE");
            if (length == 0 || length % 3 != 0 || length > 256 * 3) InvalidGraphic("Bad PLTE");
            file.Palette.assign(payload.begin(), payload.end());
            havePalette = true;
        } else if (type == "IDAT") {
            if (idatEnded) InvalidGraphic("PNG IDAT chunks not consecutive");
            if (file.Header.ColorType == ctPalette && !havePalette) InvalidGraphic("PNG palette missing");
            file.ImageData.push_back(payload);
        } else if (type == "IEND") {
            if (file.ImageData.empty()) InvalidGraphic("PNG without IDAT");
            return file;
        } else if (critical) {
            InvalidGraphic("Unknown critical PNG chunk");
        } else if (type == "tRNS" && crcOk && file.ImageData.empty()) {
            file.Transparency = payload;
        }
    }
}

// Feeds the IDAT payloads to inflate and hands out exactly the bytes asked for,
// so a stream that inflates to more than the image needs is never expanded.
class TImageDataStream {
public:
    explicit TImageDataStream(const std::vector<std::string_view>& parts) : parts_(parts) {
        if (inflateInit(&stream_) != Z_OK) InvalidGraphic("zlib failed");
    }
    ~TImageDataStream() { inflateEnd(&stream_); }
    TImageDataStream(const TImageDataStream&) = delete;
    TImageDataStream& operator=(const TImageDataStream&) = delete;

    void Read(std::uint8_t* out, std::size_t count) {
        stream_.next_out = out;
        stream_.avail_out = static_cast<uInt>(count);
        while (stream_.avail_out > 0) {
            if (stream_.avail_in == 0 && !NextPart()) InvalidGraphic("PNG image data truncated");
            const int result = inflate(&stream_, Z_NO_FLUSH);
            if (result == Z_STREAM_END && stream_.avail_out > 0) InvalidGraphic("PNG image data too short");
            if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR)
                InvalidGraphic("PNG image data corrupt");
        }
    }

    // Surplus data after the image is tolerated, a wrong checksum is not.
    void Finish() {
        std::uint8_t scratch[64];
        stream_.next_out = scratch;
        stream_.avail_out = sizeof scratch;
        if (stream_.avail_in == 0) NextPart();
        if (inflate(&stream_, Z_NO_FLUSH) == Z_DATA_ERROR) InvalidGraphic("PNG image data corrupt");
    }

private:
    bool NextPart() {
        while (next_ < parts_.size()) {
            const std::string_view part = parts_[next_++];
            if (part.empty()) continue;
            stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(part.data()));
            stream_.avail_in = static_cast<uInt>(part.size());
            return true;
        }
        return false;
    }
    const std::vector<std::string_view>& parts_;
    std::size_t next_ = 0;
    z_stream stream_{};
};

void Unfilter(int filter, std::uint8_t* row, const std::uint8_t* prior, std::size_t length, std::size_t bpp) {
    switch (filter) {
    case 0:
        break;
    case 1:
        for (std::size_t i = bpp; i < length; ++i) row[i] = std::uint8_t(row[i] + row[i - bpp]);
        break;
    case 2:
        for (std::size_t i = 0; i < length; ++i) row[i] = std::uint8_t(row[i] + prior[i]);
        break;
    case 3:
        for (std::size_t i = 0; i < bpp; ++i) row[i] = std::uint8_t(row[i] + (prior[i] >> 1));
        for (std::size_t i = bpp; i < length; ++i)
            row[i] = std::uint8_t(row[i] + ((row[i - bpp] + prior[i]) >> 1));
        break;
    case 4:
        for (std::size_t i = 0; i < bpp; ++i) row[i] = std::uint8_t(row[i] + prior[i]);
        for (std::size_t i = bpp; i < length; ++i) {
            const int a = row[i - bpp], b = prior[i], c = prior[i - bpp];
            const int p = b - c, q = a - c;
            const int pa = p < 0 ? -p : p, pb = q < 0 ? -q : q, pc = (p + q) < 0 ? -(p + q) : p + q;
            const int predictor = (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
            row[i] = std::uint8_t(row[i] + predictor);
        }
        break;
    default:
        InvalidGraphic("Bad PNG filter type");
    }
}

using TColorTable = std::array<std::array<std::uint8_t, 4>, 256>;

// Turns unfiltered rows of one format into BGRA pixels `step` bytes apart.
class TRowConverter {
public:
    explicit TRowConverter(const TPngFile& file) : header_(file.Header) {
        const int depth = header_.BitDepth;
        const std::string_view trns = file.Transparency;
        if (header_.ColorType == ctPalette) {
            BuildPaletteTable(file.Palette, trns);
        } else if (header_.ColorType == ctGray && depth <= 8) {
            BuildGrayTable(depth, trns);
        } else if (header_.ColorType == ctGray && trns.size() >= 2) {
            key_ = {Be16(trns, 0)};
            keyed_ = true;
        } else if (header_.ColorType == ctRgb && trns.size() >= 6) {
            key_ = {Be16(trns, 0), Be16(trns, 2), Be16(trns, 4)};
            keyed_ = true;
        }
    }

    void Convert(const std::uint8_t* row, std::uint32_t count, std::uint8_t* out, std::size_t step) const {
        const bool wide = header_.BitDepth == 16;
        switch (header_.ColorType) {
        case ctPalette:
            ConvertIndexed(row, count, out, step);
            break;
        case ctGray:
            if (wide) ConvertGray16(row, count, out, step);
            else ConvertIndexed(row, count, out, step);
            break;
        case ctRgb:
            if (wide) ConvertRgb<2>(row, count, out, step);
            else ConvertRgb<1>(row, count, out, step);
            break;
        case ctGrayAlpha:
            if (wide) ConvertGrayAlpha<2>(row, count, out, step);
            else ConvertGrayAlpha<1>(row, count, out, step);
            break;
        default:
            if (wide) ConvertRgba<2>(row, count, out, step);
            else ConvertRgba<1>(row, count, out, step);
            break;
        }
    }

private:
    static std::uint16_t Be16(std::string_view bytes, std::size_t at) {
        return std::uint16_t(std::uint8_t(bytes[at]) << 8 | std::uint8_t(bytes[at + 1]));
    }
    static void Put(std::uint8_t* out, std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) {
        out[0] = b; out[1] = g; out[2] = r; out[3] = a;
    }

    void BuildPaletteTable(const std::vector<std::uint8_t>& palette, std::string_view trns) {
        for (auto& entry : table_) entry = {0, 0, 0, 255};
        const std::size_t entries = palette.size() / 3;
        for (std::size_t i = 0; i < entries; ++i) {
            const std::uint8_t alpha = i < trns.size() ? std::uint8_t(trns[i]) : 255;
            Put(table_[i].data(), palette[3 * i], palette[3 * i + 1], palette[3 * i + 2], alpha);
        }
    }

    void BuildGrayTable(int depth, std::string_view trns) {
        const int levels = 1 << depth;
        const int transparent = trns.size() >= 2 ? Be16(trns, 0) : -1;
        for (int v = 0; v < levels; ++v) {
            const auto gray = std::uint8_t(v * 255 / (levels - 1));
            Put(table_[v].data(), gray, gray, gray, v == transparent ? 0 : 255);
        }
    }

    void ConvertIndexed(const std::uint8_t* row, std::uint32_t count, std::uint8_t* out, std::size_t step) const {
        const int depth = header_.BitDepth;
        if (depth == 8) {
            for (std::uint32_t x = 0; x < count; ++x, out += step) std::memcpy(out, table_[row[x]].data(), 4);
            return;
        }
        const int perByte = 8 / depth, mask = (1 << depth) - 1;
        for (std::uint32_t x = 0; x < count; ++x, out += step) {
            const int shift = 8 - depth * (1 + int(x % perByte));
            std::memcpy(out, table_[(row[x / perByte] >> shift) & mask].data(), 4);
        }
    }

    void ConvertGray16(const std::uint8_t* row, std::uint32_t count, std::uint8_t* out, std::size_t step) const {
        for (std::uint32_t x = 0; x < count; ++x, row += 2, out += step) {
            const bool clear = keyed_ && (row[0] << 8 | row[1]) == key_[0];
            Put(out, row[0], row[0], row[0], clear ? 0 : 255);
        }
    }

    template <int Bytes>
    void ConvertRgb(const std::uint8_t* row, std::uint32_t count, std::uint8_t* out, std::size_t step) const {
        for (std::uint32_t x = 0; x < count; ++x, row += 3 * Bytes, out += step) {
            bool clear = false;
            if (keyed_) {
                const auto sample = [&](int c) { return Bytes == 2 ? row[2 * c] << 8 | row[2 * c + 1] : row[c]; };
                clear = sample(0) == key_[0] && sample(1) == key_[1] && sample(2) == key_[2];
            }
            Put(out, row[0], row[Bytes], row[2 * Bytes], clear ? 0 : 255);
        }
    }

    template <int Bytes>
    void ConvertGrayAlpha(const std::uint8_t* row, std::uint32_t count, std::uint8_t* out, std::size_t step) const {
        for (std::uint32_t x = 0; x < count; ++x, row += 2 * Bytes, out += step)
            Put(out, row[0], row[0], row[0], row[Bytes]);
    }

    template <int Bytes>
    void ConvertRgba(const std::uint8_t* row, std::uint32_t count, std::uint8_t* out, std::size_t step) const {
        for (std::uint32_t x = 0; x < count; ++x, row += 4 * Bytes, out += step)
            Put(out, row[0], row[Bytes], row[2 * Bytes], row[3 * Bytes]);
    }

    TPngHeader header_;
    TColorTable table_{};
    std::array<int, 3> key_{};
    bool keyed_ = false;
};

struct TPass {
    std::uint32_t X0, Y0, DX, DY;
};
constexpr TPass WholeImage{0, 0, 1, 1};
constexpr std::array<TPass, 7> Adam7{{{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                      {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}}};

std::uint32_t PassExtent(std::uint32_t size, std::uint32_t start, std::uint32_t step) {
    return size > start ? (size - start + step - 1) / step : 0;
}

void DecodePass(const TPass& pass, const TPngHeader& header, const TRowConverter& converter,
                TImageDataStream& stream, TPicture& picture) {
    const std::uint32_t columns = PassExtent(header.Width, pass.X0, pass.DX);
    const std::uint32_t rows = PassExtent(header.Height, pass.Y0, pass.DY);
    if (columns == 0 || rows == 0) return;
    const int bitsPerPixel = ChannelCount(header.ColorType) * header.BitDepth;
    const std::size_t bpp = std::max(1, bitsPerPixel / 8);
    const std::size_t rowBytes = (std::size_t(columns) * bitsPerPixel + 7) / 8;
    // One spare byte in front of each row holds its filter type.
    std::vector<std::uint8_t> current(rowBytes + 1), prior(rowBytes + 1, 0);
    const std::size_t stride = std::size_t(picture.Width) * 4;
    for (std::uint32_t y = 0; y < rows; ++y) {
        stream.Read(current.data(), current.size());
        Unfilter(current[0], current.data() + 1, prior.data() + 1, rowBytes, bpp);
        std::uint8_t* out = picture.Bgra.data() + (pass.Y0 + std::size_t(y) * pass.DY) * stride + pass.X0 * 4;
        converter.Convert(current.data() + 1, columns, out, pass.DX * 4);
        current.swap(prior);
    }
}

// Deflate expands at most about 1032 times: image data too short for the
// declared size is refused before the pixels are allocated.
void CheckEnoughImageData(const TPngFile& file) {
    constexpr std::uint64_t MaxDeflateRatio = 1032;
    std::uint64_t compressed = 0;
    for (std::string_view part : file.ImageData) compressed += part.size();
    const TPngHeader& header = file.Header;
    const std::uint64_t bitsPerPixel = ChannelCount(header.ColorType) * header.BitDepth;
    const std::uint64_t minimumRaw = std::uint64_t(header.Height) * ((header.Width * bitsPerPixel + 7) / 8 + 1);
    if (compressed * MaxDeflateRatio < minimumRaw) InvalidGraphic("PNG image data too short");
}

}  // namespace

bool LooksLikePng(std::string_view data) { return data.substr(0, PngSignature.size()) == PngSignature; }

void DecodePng(std::string_view data, TPicture& picture, std::uint64_t maxPixels) {
    const TPngFile file = ParseChunks(data);
    const TPngHeader& header = file.Header;
    CheckEnoughImageData(file);
    AllocatePicture(picture, header.Width, header.Height, maxPixels);
    const TRowConverter converter(file);
    TImageDataStream stream(file.ImageData);
    if (header.Interlaced) {
        for (const TPass& pass : Adam7) DecodePass(pass, header, converter, stream, picture);
    } else {
        DecodePass(WholeImage, header, converter, stream, picture);
    }
    stream.Finish();
}
