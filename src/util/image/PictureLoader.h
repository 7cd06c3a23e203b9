// Image files of unknown format, tried as BMP, then JPEG, then PNG.
#pragma once
#include <cstdint>
#include <string_view>

#include "util/Picture.h"

// Never throws: data no decoder accepts leaves the picture empty.
void LoadPicture(TPicture& picture, std::string_view data) noexcept;

// Blends translucent pixels over an opaque background colour, as a window
// that shows the picture on its own face does.
void FlattenOnto(TPicture& picture, std::uint8_t red, std::uint8_t green, std::uint8_t blue);
