// Small encoders that build image files from known samples, so the decoders
// can be checked pixel for pixel.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "util/Picture.h"

// Deterministic samples in 0..maxValue, different per pixel and channel.
std::uint16_t KnownSample(int x, int y, int channel, int maxValue);

struct TPngImage {
    int Width = 1;
    int Height = 1;
    int ColorType = 2;
    int BitDepth = 8;
    bool Interlaced = false;
    std::vector<std::uint16_t> Samples;  // row-major, channels per pixel
    std::vector<std::uint8_t> Palette;   // RGB triples
    std::string Transparency;            // tRNS payload
};

int PngChannels(int colorType);
// Fills Samples with KnownSample values for the image's size and format.
void FillKnownSamples(TPngImage& image);
// The pixels a decoder must produce: 16-bit samples keep their high byte.
TPicture ExpectedPngPixels(const TPngImage& image);

// Filter types cycle 0..4 by row so every filter is exercised.
std::string EncodePngImageData(const TPngImage& image);  // the inflated IDAT stream, unfiltered input
std::string PngChunk(const std::string& type, const std::string& payload);
std::string PngHeaderChunk(const TPngImage& image);
std::string EncodePng(const TPngImage& image, int idatPieces = 1);
std::string Deflate(const std::string& raw);

// Windows bitmaps. Rows bottom-up unless topDown; for depths up to 8 the
// samples are palette indices.
struct TBmpImage {
    int Width = 1;
    int Height = 1;
    int BitCount = 24;
    bool TopDown = false;
    int HeaderSize = 40;                 // 12, 40, 108 or 124
    std::uint32_t Compression = 0;       // BI_RGB, BI_RLE8, BI_RLE4, BI_BITFIELDS
    std::vector<std::uint32_t> Masks;    // red, green, blue[, alpha]
    std::vector<std::uint32_t> Palette;  // 0x00RRGGBB
    std::vector<std::uint32_t> Values;   // per pixel in picture order: index or packed value
    std::string RunLengthData;           // pixel data for RLE images
};
std::string EncodeBmp(const TBmpImage& image);

struct TJpegOptions {
    int Components = 3;  // 1 gray, 3 RGB, 4 CMYK
    bool Progressive = false;
    int Quality = 100;
    bool FullChroma = true;  // false: libjpeg's default 2x2 chroma subsampling
    bool Ycck = false;       // CMYK samples stored as YCCK
};
// Samples: interleaved, Components per pixel.
std::string EncodeJpeg(int width, int height, const std::vector<std::uint8_t>& samples, const TJpegOptions& options);

std::uint32_t PixelAt(const TPicture& picture, int x, int y);  // 0xAARRGGBB

// True when the decoder accepts the file; false when it raises EInvalidGraphic.
using TDecoder = void (*)(std::string_view, TPicture&, std::uint64_t);
bool DecodesWith(TDecoder decoder, const std::string& file, TPicture& picture);
