#include <doctest/doctest.h>

#include <chrono>

#include "util/image/PngDecoder.h"
#include "util/image/TestEncoders.h"

namespace {

struct TFormat { int ColorType, BitDepth; };
const TFormat AllFormats[] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16}, {3, 1}, {3, 2},
                              {3, 4}, {3, 8}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};

std::vector<std::uint8_t> KnownPalette(int entries) {
    std::vector<std::uint8_t> palette;
    for (int i = 0; i < entries; ++i)
        for (int c = 0; c < 3; ++c) palette.push_back(std::uint8_t(KnownSample(i, 99, c, 255)));
    return palette;
}

TPngImage KnownImage(int colorType, int depth, int width, int height, bool interlaced) {
    TPngImage image;
    image.ColorType = colorType, image.BitDepth = depth;
    image.Width = width, image.Height = height, image.Interlaced = interlaced;
    if (colorType == 3) image.Palette = KnownPalette(1 << depth);
    FillKnownSamples(image);
    return image;
}

bool Decodes(const std::string& file, TPicture& picture) { return DecodesWith(DecodePng, file, picture); }

bool Decodes(const std::string& file) {
    TPicture picture;
    return Decodes(file, picture);
}

void CheckDecodesTo(const std::string& file, const TPicture& expected) {
    TPicture picture;
    REQUIRE(Decodes(file, picture));
    REQUIRE(picture.Width == expected.Width);
    REQUIRE(picture.Height == expected.Height);
    CHECK(picture.Bgra == expected.Bgra);
}

std::string WithChunkAfterHeader(const std::string& png, const std::string& chunk) {
    return png.substr(0, 33) + chunk + png.substr(33);
}

}  // namespace

TEST_CASE("every colour type and depth decodes to the encoded pixels, plain and interlaced") {
    // 13 x 11 leaves partial blocks in every Adam7 pass; 1 x 1 leaves most passes empty.
    for (const TFormat& format : AllFormats)
        for (bool interlaced : {false, true})
            for (auto [w, h] : {std::pair{13, 11}, {1, 1}, {3, 9}}) {
                CAPTURE(format.ColorType);
                CAPTURE(format.BitDepth);
                CAPTURE(interlaced);
                CAPTURE(w);
                const TPngImage image = KnownImage(format.ColorType, format.BitDepth, w, h, interlaced);
                CheckDecodesTo(EncodePng(image), ExpectedPngPixels(image));
            }
}

TEST_CASE("transparency: palette alpha, grey and colour keys") {
    SUBCASE("palette entries beyond the tRNS list stay opaque") {
        TPngImage image = KnownImage(3, 4, 9, 7, false);
        image.Transparency = std::string("\x00\x40\x80", 3);
        CheckDecodesTo(EncodePng(image), ExpectedPngPixels(image));
    }
    for (int depth : {2, 8, 16}) {
        CAPTURE(depth);
        TPngImage image = KnownImage(0, depth, 9, 7, false);
        const std::uint16_t key = image.Samples[5];
        image.Transparency = {char(key >> 8), char(key)};
        const TPicture expected = ExpectedPngPixels(image);
        CHECK(expected.Bgra[5 * 4 + 3] == 0);
        CheckDecodesTo(EncodePng(image), expected);
    }
    for (int depth : {8, 16}) {
        CAPTURE(depth);
        TPngImage image = KnownImage(2, depth, 9, 7, true);
        for (int c = 0; c < 3; ++c) {
            const std::uint16_t v = image.Samples[3 * 4 + c];
            image.Transparency += {char(v >> 8), char(v)};
        }
        CheckDecodesTo(EncodePng(image), ExpectedPngPixels(image));
    }
}

TEST_CASE("chunk layout: split image data and ancillary chunks are fine") {
    const TPngImage image = KnownImage(6, 8, 20, 20, false);
    const TPicture expected = ExpectedPngPixels(image);
    CheckDecodesTo(EncodePng(image, 1000), expected);  // one-byte IDAT chunks
    CheckDecodesTo(WithChunkAfterHeader(EncodePng(image), PngChunk("tEXt", "Comment\0hi")), expected);
    std::string badAncillary = PngChunk("gAMA", "\0\0\xb1\x8f");
    badAncillary.back() ^= 1;
    CheckDecodesTo(WithChunkAfterHeader(EncodePng(image), badAncillary), expected);
    // More compressed data than the image needs is ignored.
    std::string png = EncodePng(image);
    TPngImage taller = image;
    taller.Height = 40;
    FillKnownSamples(taller);
    const std::string longer = EncodePng(taller);
    png = png.substr(0, 33) + longer.substr(33);  // 20 x 20 header, 20 x 40 data
    CHECK(Decodes(png));
}

TEST_CASE("broken structure is refused") {
    const TPngImage image = KnownImage(3, 8, 6, 6, false);
    const std::string good = EncodePng(image);
    REQUIRE(Decodes(good));
    const std::size_t idat = good.find("IDAT");
    const std::size_t iend = good.find("IEND");

    std::string badCrc = good;
    badCrc[idat + 6] ^= 0x10;
    CHECK_FALSE(Decodes(badCrc));
    CHECK_FALSE(Decodes(good.substr(0, iend - 4)));                       // no IEND
    CHECK_FALSE(Decodes(good.substr(0, 33) + good.substr(good.find("IDAT") - 4)));  // palette image without PLTE
    CHECK_FALSE(Decodes(WithChunkAfterHeader(good, PngChunk("ZZZZ", ""))));  // unknown critical chunk
    CHECK_FALSE(Decodes(good.substr(0, iend - 4) + PngChunk("PLTE", "\1\2\3") + good.substr(iend - 4)));
    // Image data interrupted by another chunk.
    const std::string split = EncodePng(image, 2);
    const std::size_t second = split.find("IDAT", split.find("IDAT") + 4) - 4;
    CHECK_FALSE(Decodes(split.substr(0, second) + PngChunk("tEXt", "a\0b") + split.substr(second)));
    // A grey image may not carry a palette.
    const TPngImage grey = KnownImage(0, 8, 4, 4, false);
    CHECK_FALSE(Decodes(WithChunkAfterHeader(EncodePng(grey), PngChunk("PLTE", "\1\2\3"))));
    // Depth not allowed for the colour type.
    TPngImage odd = KnownImage(2, 8, 4, 4, false);
    odd.BitDepth = 4;
    CHECK_FALSE(Decodes(PngHeaderChunk(odd).insert(0, "\x89PNG\r\n\x1a\n", 8) + good.substr(33)));
    // A filter type beyond 4.
    std::string raw = EncodePngImageData(image);
    raw[0] = 5;
    std::string png = good.substr(0, idat - 4) + PngChunk("IDAT", Deflate(raw)) + PngChunk("IEND", "");
    CHECK_FALSE(Decodes(png));
}

TEST_CASE("truncated, lying and oversized files fail quickly without large allocations") {
    const TPngImage image = KnownImage(2, 8, 16, 16, true);
    const std::string good = EncodePng(image);
    for (std::size_t length = 0; length < good.size(); ++length) CHECK_FALSE(Decodes(good.substr(0, length)));

    std::string lying = good;
    lying[33] = '\x7f';  // the first chunk after IHDR claims far more bytes than there are
    CHECK_FALSE(Decodes(lying));

    // Huge declared sizes are refused before any pixel buffer is allocated.
    TPngImage huge = image;
    huge.Width = huge.Height = 60000;
    CHECK_FALSE(Decodes(std::string("\x89PNG\r\n\x1a\n", 8) + PngHeaderChunk(huge) + good.substr(33)));
    huge.Width = 0x7fffffff, huge.Height = 1;
    CHECK_FALSE(Decodes(std::string("\x89PNG\r\n\x1a\n", 8) + PngHeaderChunk(huge) + good.substr(33)));

    // A small stream that would inflate to a gigabyte: only what the image needs is expanded.
    const std::string bomb = Deflate(std::string(64 << 20, '\0'));
    TPngImage small = KnownImage(0, 8, 8, 8, false);
    const auto start = std::chrono::steady_clock::now();
    std::string png = std::string("\x89PNG\r\n\x1a\n", 8) + PngHeaderChunk(small);
    for (int i = 0; i < 16; ++i) png += PngChunk("IDAT", bomb);
    TPicture picture;
    CHECK(Decodes(png + PngChunk("IEND", ""), picture));
    CHECK(picture.Width == 8);
    CHECK(std::chrono::steady_clock::now() - start < std::chrono::seconds(5));
}
