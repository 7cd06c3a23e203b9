// TShellKit: picture loading.
#include <iterator>

#include "util/Picture.h"
#include "util/ShellKit.h"
#include "util/image/PictureLoader.h"

void TShellKit::LoadPictureFromString(TPicture& graphic, const std::string& data) {
    LoadPicture(graphic, data);
}

void TShellKit::LoadPictureFromStream(TPicture& graphic, std::istream& stream) {
    try {
        stream.clear();
        stream.seekg(0);
        const std::string data(std::istreambuf_iterator<char>(stream), {});
        LoadPicture(graphic, data);
    } catch (...) {
        graphic.Clear();
    }
}
