#include <doctest/doctest.h>

#include "util/image/BmpDecoder.h"
#include "util/image/TestEncoders.h"

namespace {

std::vector<std::uint32_t> KnownPalette(int entries) {
    std::vector<std::uint32_t> palette;
    for (int i = 0; i < entries; ++i) palette.push_back(KnownSample(i, 7, 0, 0xffffff));
    return palette;
}

TBmpImage KnownIndexed(int bitCount, int width, int height) {
    TBmpImage image;
    image.BitCount = bitCount, image.Width = width, image.Height = height;
    image.Palette = KnownPalette(1 << bitCount);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image.Values.push_back(KnownSample(x, y, 0, (1 << bitCount) - 1));
    return image;
}

TPicture Decode(const std::string& file) {
    TPicture picture;
    DecodeBmp(file, picture);
    return picture;
}

bool Decodes(const std::string& file) {
    TPicture picture;
    return DecodesWith(DecodeBmp, file, picture);
}

void CheckIndexedPixels(const TPicture& picture, const TBmpImage& image) {
    REQUIRE(picture.Width == image.Width);
    REQUIRE(picture.Height == image.Height);
    for (int y = 0; y < image.Height; ++y)
        for (int x = 0; x < image.Width; ++x) {
            CAPTURE(x);
            CAPTURE(y);
            const std::uint32_t index = image.Values[std::size_t(y) * image.Width + x];
            REQUIRE(PixelAt(picture, x, y) == (0xff000000u | image.Palette[index]));
        }
}

}  // namespace

TEST_CASE("palette bitmaps of 1, 4 and 8 bits, bottom-up, top-down and with the old header") {
    for (int bits : {1, 4, 8})
        for (bool topDown : {false, true}) {
            CAPTURE(bits);
            CAPTURE(topDown);
            TBmpImage image = KnownIndexed(bits, 13, 5);  // 13 columns: rows need padding
            image.TopDown = topDown;
            CheckIndexedPixels(Decode(EncodeBmp(image)), image);
        }
    TBmpImage core = KnownIndexed(4, 7, 3);
    core.HeaderSize = 12;
    CheckIndexedPixels(Decode(EncodeBmp(core)), core);
}

TEST_CASE("true-colour bitmaps: 24 bits, 32 bits, 16 bits 5-5-5 and bit-field masks") {
    TBmpImage image;
    image.Width = 5, image.Height = 3;
    SUBCASE("24 and 32 bits without masks are opaque BGR") {
        for (int bits : {24, 32}) {
            image.BitCount = bits;
            image.Values.clear();
            for (int i = 0; i < 15; ++i) image.Values.push_back(KnownSample(i, 1, 0, 0xffffff) | (bits == 32 ? 0x12000000 : 0));
            const TPicture picture = Decode(EncodeBmp(image));
            for (int i = 0; i < 15; ++i) CHECK(PixelAt(picture, i % 5, i / 5) == (0xff000000u | (image.Values[i] & 0xffffff)));
        }
    }
    SUBCASE("16 bits: 5-5-5 without masks, 5-6-5 from masks after the 40-byte header") {
        image.BitCount = 16;
        image.Values.assign(15, 0x03e0 | 0x0010);
        CHECK(PixelAt(Decode(EncodeBmp(image)), 1, 0) == 0xff00ff84u);  // green 31/31, blue 16/31
        image.Compression = 3, image.Masks = {0xf800, 0x07e0, 0x001f};
        image.Values.assign(15, 0x0821);  // the lowest step of each channel
        CHECK(PixelAt(Decode(EncodeBmp(image)), 4, 2) == 0xff080408u);
    }
    SUBCASE("32 bits with an alpha mask in a version 5 header, top-down") {
        image.BitCount = 32, image.Compression = 3, image.HeaderSize = 124, image.TopDown = true;
        image.Masks = {0x0000ff00, 0x00ff0000, 0xff000000, 0x000000ff};  // unusual order on purpose
        for (int i = 0; i < 15; ++i) image.Values.push_back(KnownSample(i, 2, 0, 0x7fffffff) * 2u + 1);
        const TPicture picture = Decode(EncodeBmp(image));
        for (int i = 0; i < 15; ++i) {
            const std::uint32_t v = image.Values[i];
            const std::uint32_t expected = (v & 0xff) << 24 | ((v >> 8) & 0xff) << 16 | ((v >> 16) & 0xff) << 8 | v >> 24;
            CHECK(PixelAt(picture, i % 5, i / 5) == expected);
        }
    }
}

TEST_CASE("run-length bitmaps: runs, literal runs, deltas, line and bitmap ends") {
    SUBCASE("RLE8") {
        TBmpImage image = KnownIndexed(8, 6, 3);
        image.Compression = 1;
        // Row 0 (bottom): run of 3 x index 5, literal 7 8 9; row 1: delta (2,1) to row 2, then 4 x index 1.
        image.RunLengthData = std::string("\x03\x05\x00\x03\x07\x08\x09\x00\x00\x00"
                                          "\x00\x02\x02\x01\x04\x01\x00\x01", 18);
        const TPicture picture = Decode(EncodeBmp(image));
        // Palette indices by picture row, top first; the delta skips to index 0.
        const int expected[3][6] = {{0, 0, 1, 1, 1, 1}, {0, 0, 0, 0, 0, 0}, {5, 5, 5, 7, 8, 9}};
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 6; ++x) CHECK(PixelAt(picture, x, y) == (0xff000000u | image.Palette[expected[y][x]]));
    }
    SUBCASE("RLE4 alternates the two nibbles of a run") {
        TBmpImage image = KnownIndexed(4, 5, 1);
        image.Compression = 2;
        image.RunLengthData = std::string("\x03\x12\x00\x03\xab\xc0\x00\x01", 8);  // 1 2 1, then literal a b c
        const TPicture picture = Decode(EncodeBmp(image));
        const int expected[5] = {1, 2, 1, 10, 11};
        for (int x = 0; x < 5; ++x) CHECK(PixelAt(picture, x, 0) == (0xff000000u | image.Palette[expected[x]]));
    }
    SUBCASE("runs past the row's end are clipped; data that ends early fails") {
        TBmpImage image = KnownIndexed(8, 4, 2);
        image.Compression = 1;
        image.RunLengthData = std::string("\xff\x03\xff\x03\x00\x00\x02\x04\x00\x01", 10);
        CHECK(PixelAt(Decode(EncodeBmp(image)), 3, 1) == (0xff000000u | image.Palette[3]));
        image.RunLengthData = std::string("\x02\x03\x00", 3);
        CHECK_FALSE(Decodes(EncodeBmp(image)));
    }
}

TEST_CASE("hostile bitmaps are refused") {
    const TBmpImage image = KnownIndexed(8, 9, 9);
    const std::string good = EncodeBmp(image);
    for (std::size_t length = 0; length < good.size(); ++length) CHECK_FALSE(Decodes(good.substr(0, length)));

    TBmpImage huge = image;
    huge.Width = 40000, huge.Height = 40000;
    huge.Values.clear();
    huge.RunLengthData.assign(1, 'x');
    CHECK_FALSE(Decodes(EncodeBmp(huge)));

    TBmpImage oddDepth = image;
    oddDepth.BitCount = 2;
    oddDepth.Palette.resize(4);
    CHECK_FALSE(Decodes(EncodeBmp(oddDepth)));

    TBmpImage topDownRle = image;
    topDownRle.Compression = 1, topDownRle.TopDown = true;
    topDownRle.RunLengthData = std::string("\0\1", 2);
    CHECK_FALSE(Decodes(EncodeBmp(topDownRle)));

    std::string farOffset = good;
    farOffset[10] = '\xff', farOffset[11] = '\xff', farOffset[12] = '\xff';
    CHECK_FALSE(Decodes(farOffset));
}
