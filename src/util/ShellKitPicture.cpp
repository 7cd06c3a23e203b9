// TShellKit: picture loading.
#include <windows.h>
#include <objidl.h>

#include "util/Picture.h"
#include "util/ShellKit.h"
#include "util/image/PictureLoader.h"

void TShellKit::LoadPictureFromString(TPicture& graphic, const std::string& data) {
    LoadPicture(graphic, data);
}

void TShellKit::LoadPictureFromStream(TPicture& graphic, IStream* stream) {
    graphic.Clear();
    try {
        std::string data;
        if (!stream || FAILED(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr))) return;
        char buffer[65536];
        ULONG read = 0;
        while (SUCCEEDED(stream->Read(buffer, sizeof buffer, &read)) && read > 0) data.append(buffer, read);
        LoadPicture(graphic, data);
    } catch (...) {
        graphic.Clear();
    }
}
