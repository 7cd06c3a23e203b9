// PNG files: every colour type and bit depth, palettes with transparency,
// Adam7 interlacing. 16-bit samples keep their high byte.
#pragma once
#include <string_view>

#include "util/image/ImageCommon.h"

// Throws EInvalidGraphic; the picture's content is undefined after a throw.
void DecodePng(std::string_view data, TPicture& picture, std::uint64_t maxPixels = MaxPicturePixels);
bool LooksLikePng(std::string_view data);
