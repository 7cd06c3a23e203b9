// One libFuzzer entry per decoder: any input either decodes or raises
// EInvalidGraphic; sanitizers and libFuzzer's limits catch the rest.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "util/image/ImageCommon.h"

// Smaller than the product's bound so slow-but-legal giants stay rare.
constexpr std::uint64_t FuzzMaxPixels = std::uint64_t(1) << 18;

#define VADROME_FUZZ_DECODER(decoder)                                                      \
    extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {    \
        TPicture picture;                                                                  \
        try {                                                                              \
            decoder(std::string_view(reinterpret_cast<const char*>(data), size), picture,  \
                    FuzzMaxPixels);                                                        \
        } catch (const EInvalidGraphic&) {                                                 \
        }                                                                                  \
        return 0;                                                                          \
    }
