#include "util/image/TestEncoders.h"

#include "util/image/ImageCommon.h"

#include <zlib.h>

#include <cstdio>
#include <stdexcept>

#include <jpeglib.h>

namespace {

void PutBe32(std::string& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out += char(v >> shift);
}
void PutLe16(std::string& out, std::uint32_t v) { out += char(v); out += char(v >> 8); }
void PutLe32(std::string& out, std::uint32_t v) { PutLe16(out, v); PutLe16(out, v >> 16); }

struct TPass { int X0, Y0, DX, DY; };
const TPass Adam7[7] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4}, {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};

int Paeth(int a, int b, int c) {
    const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// Packs one row of a pass into bytes, most significant bits first.
std::string PackRow(const TPngImage& image, const TPass& pass, int y, int columns) {
    const int channels = PngChannels(image.ColorType), depth = image.BitDepth;
    std::string row((columns * channels * depth + 7) / 8, '\0');
    int bit = 0;
    for (int i = 0; i < columns; ++i) {
        const int x = pass.X0 + i * pass.DX;
        for (int c = 0; c < channels; ++c) {
            const std::uint16_t v = image.Samples[(std::size_t(y) * image.Width + x) * channels + c];
            if (depth == 16) {
                row[bit / 8] = char(v >> 8), row[bit / 8 + 1] = char(v);
            } else if (depth == 8) {
                row[bit / 8] = char(v);
            } else {
                row[bit / 8] = char(std::uint8_t(row[bit / 8]) | v << (8 - depth - bit % 8));
            }
            bit += depth;
        }
    }
    return row;
}

std::string FilterRow(int filter, const std::string& row, const std::string& prior, int bpp) {
    std::string out(1, char(filter));
    for (std::size_t i = 0; i < row.size(); ++i) {
        const int x = std::uint8_t(row[i]);
        const int a = i >= std::size_t(bpp) ? std::uint8_t(row[i - bpp]) : 0;
        const int b = std::uint8_t(prior[i]);
        const int c = i >= std::size_t(bpp) ? std::uint8_t(prior[i - bpp]) : 0;
        const int predictors[5] = {0, a, b, (a + b) / 2, Paeth(a, b, c)};
        out += char(x - predictors[filter]);
    }
    return out;
}

}  // namespace

std::uint16_t KnownSample(int x, int y, int channel, int maxValue) {
    std::uint32_t h = std::uint32_t(x) * 73856093u ^ std::uint32_t(y) * 19349663u ^ std::uint32_t(channel + 1) * 83492791u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return std::uint16_t(h % (std::uint32_t(maxValue) + 1));
}

int PngChannels(int colorType) {
    switch (colorType) {
    case 0: case 3: return 1;
    case 4: return 2;
    case 2: return 3;
    default: return 4;
    }
}

void FillKnownSamples(TPngImage& image) {
    const int channels = PngChannels(image.ColorType);
    int maxValue = (1 << image.BitDepth) - 1;
    if (image.ColorType == 3) maxValue = std::min<int>(maxValue, int(image.Palette.size() / 3) - 1);
    image.Samples.clear();
    for (int y = 0; y < image.Height; ++y)
        for (int x = 0; x < image.Width; ++x)
            for (int c = 0; c < channels; ++c) image.Samples.push_back(KnownSample(x, y, c, maxValue));
}

TPicture ExpectedPngPixels(const TPngImage& image) {
    TPicture picture;
    picture.Width = image.Width;
    picture.Height = image.Height;
    const int channels = PngChannels(image.ColorType), depth = image.BitDepth;
    const auto to8 = [&](std::uint16_t v) { return depth == 16 ? v >> 8 : v * 255 / ((1 << depth) - 1); };
    const auto trns16 = [&](std::size_t at) {
        return std::uint16_t(std::uint8_t(image.Transparency[at]) << 8 | std::uint8_t(image.Transparency[at + 1]));
    };
    for (int i = 0; i < image.Width * image.Height; ++i) {
        const std::uint16_t* s = &image.Samples[std::size_t(i) * channels];
        int r, g, b, a = 255;
        if (image.ColorType == 3) {
            r = image.Palette[s[0] * 3], g = image.Palette[s[0] * 3 + 1], b = image.Palette[s[0] * 3 + 2];
            if (s[0] < image.Transparency.size()) a = std::uint8_t(image.Transparency[s[0]]);
        } else if (channels <= 2) {
            r = g = b = to8(s[0]);
            if (channels == 2) a = to8(s[1]);
            else if (image.Transparency.size() >= 2 && s[0] == trns16(0)) a = 0;
        } else {
            r = to8(s[0]), g = to8(s[1]), b = to8(s[2]);
            if (channels == 4) a = to8(s[3]);
            else if (image.Transparency.size() >= 6 && s[0] == trns16(0) && s[1] == trns16(2) && s[2] == trns16(4)) a = 0;
        }
        picture.Bgra.insert(picture.Bgra.end(), {std::uint8_t(b), std::uint8_t(g), std::uint8_t(r), std::uint8_t(a)});
    }
    return picture;
}

std::string EncodePngImageData(const TPngImage& image) {
    const int bitsPerPixel = PngChannels(image.ColorType) * image.BitDepth;
    const int bpp = std::max(1, bitsPerPixel / 8);
    std::string raw;
    int filter = 0;
    const TPass whole{0, 0, 1, 1};
    for (int p = 0; p < (image.Interlaced ? 7 : 1); ++p) {
        const TPass& pass = image.Interlaced ? Adam7[p] : whole;
        const int columns = image.Width > pass.X0 ? (image.Width - pass.X0 + pass.DX - 1) / pass.DX : 0;
        if (columns == 0) continue;
        std::string prior((columns * bitsPerPixel + 7) / 8, '\0');
        for (int y = pass.Y0; y < image.Height; y += pass.DY) {
            const std::string row = PackRow(image, pass, y, columns);
            raw += FilterRow(filter, row, prior, bpp);
            filter = (filter + 1) % 5;
            prior = row;
        }
    }
    return raw;
}

std::string Deflate(const std::string& raw) {
    uLongf size = compressBound(uLong(raw.size()));
    std::string out(size, '\0');
    if (compress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(raw.data()),
                 uLong(raw.size())) != Z_OK)
        throw std::runtime_error("compress failed");
    out.resize(size);
    return out;
}

std::string PngChunk(const std::string& type, const std::string& payload) {
    std::string chunk;
    PutBe32(chunk, std::uint32_t(payload.size()));
    const std::string body = type + payload;
    chunk += body;
    PutBe32(chunk, std::uint32_t(crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size()))));
    return chunk;
}

std::string PngHeaderChunk(const TPngImage& image) {
    std::string ihdr;
    PutBe32(ihdr, image.Width);
    PutBe32(ihdr, image.Height);
    ihdr += char(image.BitDepth);
    ihdr += char(image.ColorType);
    ihdr += std::string(2, '\0');
    ihdr += char(image.Interlaced ? 1 : 0);
    return PngChunk("IHDR", ihdr);
}

std::string EncodePng(const TPngImage& image, int idatPieces) {
    std::string png("\x89PNG\r\n\x1a\n", 8);
    png += PngHeaderChunk(image);
    if (!image.Palette.empty()) png += PngChunk("PLTE", std::string(image.Palette.begin(), image.Palette.end()));
    if (!image.Transparency.empty()) png += PngChunk("tRNS", image.Transparency);
    const std::string data = Deflate(EncodePngImageData(image));
    const std::size_t piece = (data.size() + idatPieces - 1) / idatPieces;
    for (std::size_t at = 0; at < data.size(); at += piece) png += PngChunk("IDAT", data.substr(at, piece));
    return png + PngChunk("IEND", "");
}

std::string EncodeBmp(const TBmpImage& image) {
    const bool core = image.HeaderSize == 12;
    const bool separateMasks = image.HeaderSize == 40 && image.Compression == 3;
    std::string header;
    PutLe32(header, image.HeaderSize);
    if (core) {
        PutLe16(header, image.Width);
        PutLe16(header, image.Height);
        PutLe16(header, 1);
        PutLe16(header, image.BitCount);
    } else {
        PutLe32(header, image.Width);
        PutLe32(header, image.TopDown ? -image.Height : image.Height);
        PutLe16(header, 1);
        PutLe16(header, image.BitCount);
        PutLe32(header, image.Compression);
        PutLe32(header, 0);
        PutLe32(header, 2835);
        PutLe32(header, 2835);
        PutLe32(header, std::uint32_t(image.Palette.size()));
        PutLe32(header, 0);
        for (std::size_t i = 0; i < image.Masks.size() && image.HeaderSize > 40; ++i) PutLe32(header, image.Masks[i]);
        header.resize(image.HeaderSize, '\0');
        if (separateMasks)
            for (int i = 0; i < 3; ++i) PutLe32(header, image.Masks[i]);
    }
    for (std::uint32_t color : image.Palette) {
        header += char(color), header += char(color >> 8), header += char(color >> 16);
        if (!core) header += '\0';
    }
    std::string pixels = image.RunLengthData;
    if (pixels.empty()) {
        const std::size_t stride = (std::size_t(image.Width) * image.BitCount + 31) / 32 * 4;
        for (int row = 0; row < image.Height; ++row) {
            const int y = image.TopDown ? row : image.Height - 1 - row;
            std::string line(stride, '\0');
            for (int x = 0; x < image.Width; ++x) {
                const std::uint32_t v = image.Values[std::size_t(y) * image.Width + x];
                const int bit = x * image.BitCount;
                if (image.BitCount < 8) {
                    line[bit / 8] = char(std::uint8_t(line[bit / 8]) | v << (8 - image.BitCount - bit % 8));
                } else {
                    for (int b = 0; b < image.BitCount / 8; ++b) line[bit / 8 + b] = char(v >> (8 * b));
                }
            }
            pixels += line;
        }
    }
    std::string file = "BM";
    PutLe32(file, std::uint32_t(14 + header.size() + pixels.size()));
    PutLe32(file, 0);
    PutLe32(file, std::uint32_t(14 + header.size()));
    return file + header + pixels;
}

std::string EncodeJpeg(int width, int height, const std::vector<std::uint8_t>& samples, const TJpegOptions& options) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = width;
    info.image_height = height;
    info.input_components = options.Components;
    info.in_color_space = options.Components == 1 ? JCS_GRAYSCALE : options.Components == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&info);
    if (options.Ycck) jpeg_set_colorspace(&info, JCS_YCCK);
    jpeg_set_quality(&info, options.Quality, TRUE);
    // Full-resolution chroma keeps the round trip close for exact comparison.
    if (options.FullChroma)
        for (int c = 0; c < info.num_components; ++c) info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
    if (options.Progressive) jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(&samples[std::size_t(info.next_scanline) * width * options.Components]);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    std::string out(reinterpret_cast<char*>(buffer), size);
    jpeg_destroy_compress(&info);
    free(buffer);
    return out;
}

std::uint32_t PixelAt(const TPicture& picture, int x, int y) {
    const std::uint8_t* p = &picture.Bgra[(std::size_t(y) * picture.Width + x) * 4];
    return std::uint32_t(p[3]) << 24 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
}

bool DecodesWith(TDecoder decoder, const std::string& file, TPicture& picture) {
    try {
        decoder(file, picture, MaxPicturePixels);
        return true;
    } catch (const EInvalidGraphic&) {
        return false;
    }
}
