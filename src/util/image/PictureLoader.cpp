#include "util/image/PictureLoader.h"

#include <utility>

#include "util/image/BmpDecoder.h"
#include "util/image/JpegDecoder.h"
#include "util/image/PngDecoder.h"

namespace {

using TDecoder = void (*)(std::string_view, TPicture&, std::uint64_t);

bool TryDecode(TDecoder decoder, std::string_view data, TPicture& picture) noexcept {
    try {
        TPicture decoded;
        decoder(data, decoded, MaxPicturePixels);
        picture = std::move(decoded);
        return true;
    } catch (...) {
        return false;  // out of memory included: the next format gets its turn
    }
}

}  // namespace

void LoadPicture(TPicture& picture, std::string_view data) noexcept {
    picture.Clear();
    for (TDecoder decoder : {&DecodeBmp, &DecodeJpeg, &DecodePng})
        if (TryDecode(decoder, data, picture)) return;
}

void FlattenOnto(TPicture& picture, std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    const std::uint8_t background[3] = {blue, green, red};
    for (std::size_t i = 0; i < picture.Bgra.size(); i += 4) {
        std::uint8_t* p = &picture.Bgra[i];
        const int alpha = p[3];
        for (int c = 0; c < 3; ++c) p[c] = std::uint8_t((p[c] * alpha + background[c] * (255 - alpha) + 127) / 255);
        p[3] = 255;
    }
}
