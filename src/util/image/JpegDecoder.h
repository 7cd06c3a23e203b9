// JPEG/JFIF files through libjpeg: baseline, progressive, grayscale, and
// CMYK/YCCK converted to RGB. Corrupt data fails instead of being patched up.
#pragma once
#include <string_view>

#include "util/image/ImageCommon.h"

// Throws EInvalidGraphic; the picture's content is undefined after a throw.
void DecodeJpeg(std::string_view data, TPicture& picture, std::uint64_t maxPixels = MaxPicturePixels);
