// Windows bitmap files with their file header: 1, 4, 8, 16, 24 and 32 bits
// per pixel, RLE4 and RLE8, bit-field masks, top-down and bottom-up rows.
#pragma once
#include <string_view>

#include "util/image/ImageCommon.h"

// Throws EInvalidGraphic; the picture's content is undefined after a throw.
void DecodeBmp(std::string_view data, TPicture& picture, std::uint64_t maxPixels = MaxPicturePixels);
