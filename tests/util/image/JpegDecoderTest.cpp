#include <doctest/doctest.h>

#include <cstdlib>

#include "util/image/JpegDecoder.h"
#include "util/image/TestEncoders.h"

namespace {

// Smooth content: at full quality without subsampling it survives the round trip closely.
std::vector<std::uint8_t> SmoothSamples(int width, int height, int components) {
    std::vector<std::uint8_t> samples;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < components; ++c) samples.push_back(std::uint8_t((x * 3 + y * 2 + c * 60) % 256 / 2 + 40));
    return samples;
}

bool Decodes(const std::string& file, TPicture& picture) { return DecodesWith(DecodeJpeg, file, picture); }

int MaxDifference(const TPicture& picture, const std::vector<std::uint8_t>& rgb, int components) {
    int worst = 0;
    for (int i = 0; i < picture.Width * picture.Height; ++i) {
        const std::uint8_t* p = &picture.Bgra[std::size_t(i) * 4];
        for (int c = 0; c < 3; ++c) {
            const int expected = rgb[std::size_t(i) * components + (components == 1 ? 0 : c)];
            worst = std::max(worst, std::abs(p[2 - c] - expected));
        }
        if (p[3] != 255) return 999;
    }
    return worst;
}

}  // namespace

TEST_CASE("baseline, progressive and greyscale files decode close to their pixels") {
    const int width = 37, height = 21;
    for (int components : {3, 1})
        for (bool progressive : {false, true}) {
            CAPTURE(components);
            CAPTURE(progressive);
            const auto samples = SmoothSamples(width, height, components);
            TPicture picture;
            REQUIRE(Decodes(EncodeJpeg(width, height, samples, {components, progressive, 100}), picture));
            REQUIRE(picture.Width == width);
            REQUIRE(picture.Height == height);
            CHECK(MaxDifference(picture, samples, components) <= 4);
        }
}

TEST_CASE("CMYK and YCCK files are converted to RGB") {
    // libjpeg writes an Adobe marker with CMYK, so the samples are stored
    // inverted as Adobe's programs do: full magenta and yellow ink, no black.
    std::vector<std::uint8_t> cmyk;
    for (int i = 0; i < 16 * 16; ++i) cmyk.insert(cmyk.end(), {255, 0, 0, 255});  // red
    for (bool ycck : {false, true}) {
        CAPTURE(ycck);
        TPicture picture;
        REQUIRE(Decodes(EncodeJpeg(16, 16, cmyk, {4, false, 100, true, ycck}), picture));
        const std::uint8_t* p = picture.Bgra.data();
        CHECK(p[2] >= 250);
        CHECK(p[1] <= 5);
        CHECK(p[0] <= 5);
    }
}

TEST_CASE("truncated and corrupt files fail instead of showing grey patches") {
    const auto samples = SmoothSamples(64, 48, 3);
    for (bool progressive : {false, true}) {
        CAPTURE(progressive);
        const std::string good = EncodeJpeg(64, 48, samples, {3, progressive, 90});
        TPicture picture;
        REQUIRE(Decodes(good, picture));
        for (std::size_t length = 0; length + 1 < good.size(); length += 7)
            CHECK_FALSE(Decodes(good.substr(0, length), picture));
        // Garbage in the entropy-coded data, past the headers.
        std::string corrupt = good;
        for (std::size_t i = corrupt.size() / 2; i < corrupt.size() - 10; i += 3) corrupt[i] = char(0xa5 ^ i);
        CHECK_FALSE(Decodes(corrupt, picture));
    }
    TPicture picture;
    CHECK_FALSE(Decodes(std::string("\xff\xd8\xff", 3), picture));
    CHECK_FALSE(Decodes("BM not a jpeg", picture));
}
