#include <doctest/doctest.h>

#include "util/image/PictureLoader.h"
#include "util/image/TestEncoders.h"

namespace {

TPngImage SmallPng() {
    TPngImage image;
    image.Width = 5, image.Height = 4, image.ColorType = 6;
    FillKnownSamples(image);
    return image;
}

}  // namespace

TEST_CASE("each format is found by trial, whatever its name") {
    TBmpImage bmp;
    bmp.Width = 3, bmp.Height = 2, bmp.Values = {1, 2, 3, 4, 5, 6};
    TPicture picture;
    LoadPicture(picture, EncodeBmp(bmp));
    CHECK(picture.Width == 3);
    CHECK(PixelAt(picture, 2, 1) == 0xff000006u);

    std::vector<std::uint8_t> grey(7 * 9, 128);
    LoadPicture(picture, EncodeJpeg(7, 9, grey, {1, false, 100}));
    CHECK(picture.Width == 7);
    CHECK(picture.Height == 9);

    const TPngImage png = SmallPng();
    LoadPicture(picture, EncodePng(png));
    CHECK(picture.Bgra == ExpectedPngPixels(png).Bgra);
}

TEST_CASE("data no decoder accepts leaves the picture empty") {
    TPicture picture;
    LoadPicture(picture, EncodePng(SmallPng()));
    REQUIRE_FALSE(picture.Empty());
    for (std::string data : {std::string(), std::string("BM"), std::string("\xff\xd8", 2), std::string(1000, 'x'),
                             EncodePng(SmallPng()).substr(0, 60)}) {
        LoadPicture(picture, data);
        CHECK(picture.Empty());
        CHECK(picture.Bgra.empty());
    }
}

TEST_CASE("translucent pixels are blended over the background") {
    TPicture picture;
    picture.Width = 3, picture.Height = 1;
    picture.Bgra = {10, 20, 30, 255, 200, 200, 200, 0, 0, 0, 255, 128};
    FlattenOnto(picture, 0, 0, 255);
    CHECK(picture.Bgra == std::vector<std::uint8_t>{10, 20, 30, 255, 255, 0, 0, 255, 127, 0, 128, 255});
}
