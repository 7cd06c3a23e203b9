// A decoded image: top-down rows of 32-bit pixels, bytes B, G, R, A.
#pragma once
#include <cstdint>
#include <vector>

struct TPicture {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint8_t> Bgra;  // Width * Height * 4 bytes

    bool Empty() const { return Width <= 0 || Height <= 0; }
    void Clear() { Width = Height = 0; Bgra.clear(); }
};
