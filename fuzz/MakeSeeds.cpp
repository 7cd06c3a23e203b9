// Writes a few small valid files per format as the fuzzers' starting corpus.
#include <filesystem>
#include <fstream>
#include <string>

#include "util/image/TestEncoders.h"

namespace {

void Save(const std::filesystem::path& folder, const std::string& name, const std::string& data) {
    std::filesystem::create_directories(folder);
    std::ofstream(folder / name, std::ios::binary) << data;
}

void WritePngSeeds(const std::filesystem::path& folder) {
    const int formats[][2] = {{0, 1}, {0, 16}, {2, 8}, {3, 4}, {4, 8}, {6, 16}};
    int n = 0;
    for (auto [colorType, depth] : formats)
        for (bool interlaced : {false, true}) {
            TPngImage image;
            image.Width = 9, image.Height = 7, image.ColorType = colorType, image.BitDepth = depth;
            image.Interlaced = interlaced;
            if (colorType == 3) {
                for (int i = 0; i < 16 * 3; ++i) image.Palette.push_back(std::uint8_t(i * 5));
                image.Transparency = std::string("\x10\x80", 2);
            }
            FillKnownSamples(image);
            Save(folder, "seed" + std::to_string(n++) + ".png", EncodePng(image, 2));
        }
}

void WriteBmpSeeds(const std::filesystem::path& folder) {
    int n = 0;
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        TBmpImage image;
        image.Width = 7, image.Height = 5, image.BitCount = bits;
        if (bits <= 8) image.Palette.assign(1u << bits, 0x336699);
        image.Values.assign(35, bits <= 8 ? 1 : 0x123456);
        Save(folder, "seed" + std::to_string(n++) + ".bmp", EncodeBmp(image));
    }
    TBmpImage rle;
    rle.Width = 6, rle.Height = 3, rle.BitCount = 8, rle.Compression = 1;
    rle.Palette.assign(16, 0x102030);
    rle.RunLengthData = std::string("\x03\x05\x00\x03\x07\x08\x09\x00\x00\x00\x00\x02\x02\x01\x04\x01\x00\x01", 18);
    Save(folder, "rle8.bmp", EncodeBmp(rle));
    rle.BitCount = 4, rle.Compression = 2;
    Save(folder, "rle4.bmp", EncodeBmp(rle));
}

void WriteJpegSeeds(const std::filesystem::path& folder) {
    int n = 0;
    for (int components : {1, 3, 4})
        for (bool progressive : {false, true}) {
            std::vector<std::uint8_t> samples;
            for (int i = 0; i < 24 * 16 * components; ++i) samples.push_back(std::uint8_t(i * 7));
            Save(folder, "seed" + std::to_string(n++) + ".jpg",
                 EncodeJpeg(24, 16, samples, {components, progressive, 75}));
        }
}

}  // namespace

int main(int argc, char** argv) {
    const std::filesystem::path root = argc > 1 ? argv[1] : "seeds";
    WritePngSeeds(root / "png");
    WriteBmpSeeds(root / "bmp");
    WriteJpegSeeds(root / "jpeg");
    return 0;
}
