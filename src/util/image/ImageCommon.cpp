#include "util/image/ImageCommon.h"

void InvalidGraphic(const char* what) { throw EInvalidGraphic(what); }

void AllocatePicture(TPicture& picture, std::uint64_t width, std::uint64_t height,
                     std::uint64_t maxPixels) {
    if (width == 0 || height == 0) InvalidGraphic("Empty image");
    if (width > MaxPictureSide || height > MaxPictureSide || width * height > maxPixels)
        InvalidGraphic("Image too large");
    picture.Width = static_cast<int>(width);
    picture.Height = static_cast<int>(height);
    picture.Bgra.assign(width * height * 4, 0);
}
