#include <doctest/doctest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "util/image/BmpDecoder.h"
#include "util/image/JpegDecoder.h"
#include "util/image/PictureLoader.h"
#include "util/image/PngDecoder.h"

// Inputs the fuzzers once found crashing or slow: each must now end in a
// result or a clean refusal (the test's timeout catches a hang).
namespace {

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

using TDecoder = void (*)(std::string_view, TPicture&, std::uint64_t);

void Replay(const char* folder, TDecoder decoder) {
    const auto path = std::filesystem::path(VADROME_REGRESSIONS) / folder;
    if (!std::filesystem::exists(path)) return;
    for (const auto& entry : std::filesystem::directory_iterator(path)) {
        CAPTURE(entry.path().string());
        const std::string data = ReadAll(entry.path());
        TPicture picture;
        try {
            decoder(data, picture, MaxPicturePixels);
        } catch (const EInvalidGraphic&) {
        }
        LoadPicture(picture, data);
    }
}

}  // namespace

TEST_CASE("fuzzer findings are handled") {
    Replay("bmp", DecodeBmp);
    Replay("png", DecodePng);
    Replay("jpeg", DecodeJpeg);
}
