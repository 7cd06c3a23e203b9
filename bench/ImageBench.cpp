// Decode throughput: our PNG decoder against libpng, our JPEG path against
// libjpeg-turbo used directly. Images: the splash drawn for the build and a
// photo-sized picture of gradients with noise, written by libpng and libjpeg
// with their usual settings.
#include <benchmark/benchmark.h>
#include <jpeglib.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "util/image/JpegDecoder.h"
#include "util/image/PngDecoder.h"
#include "util/image/TestEncoders.h"

namespace {

constexpr int PhotoWidth = 3000, PhotoHeight = 2000;

std::vector<std::uint8_t> PhotoPixels() {
    std::vector<std::uint8_t> rgb(std::size_t(PhotoWidth) * PhotoHeight * 3);
    std::mt19937 random(42);
    std::normal_distribution<float> noise(0.0f, 4.0f);
    for (int y = 0; y < PhotoHeight; ++y)
        for (int x = 0; x < PhotoWidth; ++x)
            for (int c = 0; c < 3; ++c) {
                const float base = 128 + 100 * std::sin(x * 0.002f * (c + 1) + y * 0.003f) * std::cos(y * 0.001f * (3 - c));
                rgb[(std::size_t(y) * PhotoWidth + x) * 3 + c] = std::uint8_t(std::clamp(base + noise(random), 0.0f, 255.0f));
            }
    return rgb;
}

void AppendToString(png_structp png, png_bytep data, png_size_t length) {
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<char*>(data), length);
}

std::string WritePngWithLibpng(const std::vector<std::uint8_t>& rgb) {
    std::string out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, AppendToString, nullptr);
    png_set_IHDR(png, info, PhotoWidth, PhotoHeight, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < PhotoHeight; ++y) png_write_row(png, &rgb[std::size_t(y) * PhotoWidth * 3]);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

struct TImages {
    std::string SplashPng, PhotoPng, PhotoJpeg;
};

std::string SplashPath;  // from the command line

const TImages& Images() {
    static const TImages images = [] {
        TImages result;
        std::ifstream file(SplashPath, std::ios::binary);
        if (!file) throw std::runtime_error("splash image not found: " + SplashPath);
        std::ostringstream bytes;
        bytes << file.rdbuf();
        result.SplashPng = bytes.str();
        const auto rgb = PhotoPixels();
        result.PhotoPng = WritePngWithLibpng(rgb);
        result.PhotoJpeg = EncodeJpeg(PhotoWidth, PhotoHeight, rgb, {3, false, 90, false});
        return result;
    }();
    return images;
}

struct TMemoryReader {
    const std::string* Data;
    std::size_t Position;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t length) {
    auto* reader = static_cast<TMemoryReader*>(png_get_io_ptr(png));
    if (reader->Position + length > reader->Data->size()) png_error(png, "read past end");
    std::memcpy(out, reader->Data->data() + reader->Position, length);
    reader->Position += length;
}

// libpng with the transforms that give the same BGRA rows ours gives.
void DecodeWithLibpng(const std::string& data, std::vector<std::uint8_t>& bgra) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    TMemoryReader reader{&data, 0};
    png_set_read_fn(png, &reader, ReadFromMemory);
    png_read_info(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    png_set_add_alpha(png, 0xff, PNG_FILLER_AFTER);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info), height = png_get_image_height(png, info);
    bgra.resize(std::size_t(width) * height * 4);
    for (int pass = 0; pass < passes; ++pass)
        for (png_uint_32 y = 0; y < height; ++y) png_read_row(png, &bgra[std::size_t(y) * width * 4], nullptr);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
}

void DecodeWithLibjpeg(const std::string& data, std::vector<std::uint8_t>& bgra) {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(data.data()), data.size());
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(&info);
    bgra.resize(std::size_t(info.output_width) * info.output_height * 4);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = &bgra[std::size_t(info.output_scanline) * info.output_width * 4];
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
}

template <class Decode>
void Run(benchmark::State& state, const std::string& data, Decode decode) {
    for (auto _ : state) {
        decode(data);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(data.size()));
}

void OursPng(const std::string& data) {
    TPicture picture;
    DecodePng(data, picture);
    benchmark::DoNotOptimize(picture.Bgra.data());
}

void OursJpeg(const std::string& data) {
    TPicture picture;
    DecodeJpeg(data, picture);
    benchmark::DoNotOptimize(picture.Bgra.data());
}

void Libpng(const std::string& data) {
    std::vector<std::uint8_t> bgra;
    DecodeWithLibpng(data, bgra);
    benchmark::DoNotOptimize(bgra.data());
}

void Libjpeg(const std::string& data) {
    std::vector<std::uint8_t> bgra;
    DecodeWithLibjpeg(data, bgra);
    benchmark::DoNotOptimize(bgra.data());
}

void BM_PngSplash_Ours(benchmark::State& s) { Run(s, Images().SplashPng, OursPng); }
void BM_PngSplash_Libpng(benchmark::State& s) { Run(s, Images().SplashPng, Libpng); }
void BM_PngPhoto_Ours(benchmark::State& s) { Run(s, Images().PhotoPng, OursPng); }
void BM_PngPhoto_Libpng(benchmark::State& s) { Run(s, Images().PhotoPng, Libpng); }
void BM_JpegPhoto_Ours(benchmark::State& s) { Run(s, Images().PhotoJpeg, OursJpeg); }
void BM_JpegPhoto_Libjpeg(benchmark::State& s) { Run(s, Images().PhotoJpeg, Libjpeg); }

BENCHMARK(BM_PngSplash_Ours)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PngSplash_Libpng)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PngPhoto_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngPhoto_Libpng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegPhoto_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegPhoto_Libjpeg)->Unit(benchmark::kMillisecond);

}  // namespace

// Usage: image_bench SPLASH.png [benchmark options]
int main(int argc, char** argv) {
    if (argc < 2) return 2;
    SplashPath = argv[1];
    argv[1] = argv[0];
    --argc, ++argv;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
