#include "util/image/JpegDecoder.h"

#include <csetjmp>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

namespace {

// A progressive file may declare thousands of tiny scans; each costs a pass
// over the whole coefficient buffer, so a hostile file could stall us.
constexpr int MaxScans = 500;
constexpr long MaxLibraryMemory = 512L * 1024 * 1024;

// libjpeg reports errors through a callback that must not return: we jump
// back out. The functions that call setjmp hold no objects with destructors.
struct TJpegContext {
    jpeg_decompress_struct Info{};
    jpeg_error_mgr Errors{};
    jpeg_progress_mgr Progress{};
    std::jmp_buf Jump;
};

TJpegContext& ContextOf(j_common_ptr info) {
    return *reinterpret_cast<TJpegContext*>(info->client_data);
}

[[noreturn]] void OnError(j_common_ptr info) { std::longjmp(ContextOf(info).Jump, 1); }

// Warnings mean corrupt or truncated data that libjpeg would paper over.
void OnMessage(j_common_ptr info, int level) {
    if (level < 0) std::longjmp(ContextOf(info).Jump, 1);
}

void OnProgress(j_common_ptr info) {
    auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (decompress->input_scan_number > MaxScans) std::longjmp(ContextOf(info).Jump, 1);
}

class TJpegSession {
public:
    explicit TJpegSession(std::string_view data) {
        auto& info = context_.Info;
        info.err = jpeg_std_error(&context_.Errors);
        context_.Errors.error_exit = OnError;
        context_.Errors.emit_message = OnMessage;
        context_.Progress.progress_monitor = OnProgress;
        info.client_data = &context_;
        jpeg_create_decompress(&info);
        info.progress = &context_.Progress;
        info.mem->max_memory_to_use = MaxLibraryMemory;
        jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(data.data()),
                     static_cast<unsigned long>(data.size()));
    }
    ~TJpegSession() { jpeg_destroy_decompress(&context_.Info); }
    TJpegSession(const TJpegSession&) = delete;
    TJpegSession& operator=(const TJpegSession&) = delete;

    bool ReadHeader() {
        auto& info = context_.Info;
        if (setjmp(context_.Jump)) return false;
        if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) return false;
        cmyk_ = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
        info.out_color_space = cmyk_ ? JCS_CMYK : JCS_EXT_BGRA;
        return true;
    }

    // Rows go straight into the picture: BGRA matches its layout, CMYK has
    // the same size and is converted in place.
    bool ReadPixels(TPicture& picture) {
        auto& info = context_.Info;
        if (setjmp(context_.Jump)) return false;
        jpeg_start_decompress(&info);
        if (info.output_width != JDIMENSION(picture.Width) || info.output_height != JDIMENSION(picture.Height) ||
            info.output_components != 4)
            return false;
        const std::size_t stride = std::size_t(picture.Width) * 4;
        while (info.output_scanline < info.output_height) {
            JSAMPROW row = picture.Bgra.data() + info.output_scanline * stride;
            jpeg_read_scanlines(&info, &row, 1);
        }
        jpeg_finish_decompress(&info);
        return true;
    }

    const jpeg_decompress_struct& Info() const { return context_.Info; }
    bool Cmyk() const { return cmyk_; }

private:
    TJpegContext context_;
    bool cmyk_ = false;
};

// Adobe applications store CMYK inverted; the Adobe marker tells.
void CmykToBgra(TPicture& picture, bool inverted) {
    for (std::size_t i = 0; i < picture.Bgra.size(); i += 4) {
        std::uint8_t* p = &picture.Bgra[i];
        int c = p[0], m = p[1], y = p[2], k = p[3];
        if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
        p[0] = std::uint8_t((y * k + 127) / 255);
        p[1] = std::uint8_t((m * k + 127) / 255);
        p[2] = std::uint8_t((c * k + 127) / 255);
        p[3] = 255;
    }
}

}  // namespace

void DecodeJpeg(std::string_view data, TPicture& picture, std::uint64_t maxPixels) {
    if (data.size() < 3 || static_cast<unsigned char>(data[0]) != 0xFF || static_cast<unsigned char>(data[1]) != 0xD8)
        InvalidGraphic("Not a JPEG file");
    TJpegSession session(data);
    if (!session.ReadHeader()) InvalidGraphic("Bad JPEG header");
    AllocatePicture(picture, session.Info().image_width, session.Info().image_height, maxPixels);
    if (!session.ReadPixels(picture)) InvalidGraphic("Bad JPEG data");
    if (session.Cmyk()) CmykToBgra(picture, session.Info().saw_Adobe_marker);
}
