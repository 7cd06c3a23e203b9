#include <doctest/doctest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "util/Md5.h"
#include "util/image/BmpDecoder.h"
#include "util/image/JpegDecoder.h"
#include "util/image/PictureLoader.h"
#include "util/image/PngDecoder.h"

// Inputs that once crashed or stalled a decoder, and inputs aimed at each of
// its defences. outcomes.txt records what each must give: "refused", or the
// size and pixel digest of the picture. A hang is caught by the timeout.
namespace {

namespace fs = std::filesystem;
const fs::path Regressions = VADROME_REGRESSIONS;

std::string ReadAll(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

// "<folder>/<file> <outcome>" per line; "#" starts a comment line.
std::map<std::string, std::string> RecordedOutcomes() {
    std::map<std::string, std::string> outcomes;
    std::istringstream lines(ReadAll(Regressions / "outcomes.txt"));
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t blank = line.find(' ');
        if (line.empty() || line[0] == '#' || blank == std::string::npos) continue;
        outcomes[line.substr(0, blank)] = line.substr(blank + 1);
    }
    return outcomes;
}

std::string OutcomeOf(const TPicture& picture) {
    if (picture.Empty()) return "refused";
    const std::string_view pixels(reinterpret_cast<const char*>(picture.Bgra.data()), picture.Bgra.size());
    return std::to_string(picture.Width) + "x" + std::to_string(picture.Height) + " " + Md5Hex(pixels);
}

using TDecoder = void (*)(std::string_view, TPicture&, std::uint64_t);

// Only a clean refusal counts as one: any other error fails the test.
std::string DecodedOutcome(TDecoder decoder, const std::string& data) {
    TPicture picture;
    try {
        decoder(data, picture, MaxPicturePixels);
    } catch (const EInvalidGraphic&) {
        return "refused";
    }
    return OutcomeOf(picture);
}

}  // namespace

TEST_CASE("every stored input is refused or decoded as recorded, by its decoder and by the loader") {
    std::map<std::string, std::string> outcomes = RecordedOutcomes();
    const std::pair<const char*, TDecoder> formats[] = {{"bmp", DecodeBmp}, {"png", DecodePng}, {"jpeg", DecodeJpeg}};
    for (const auto& [folder, decoder] : formats) {
        int replayed = 0;
        for (const auto& entry : fs::directory_iterator(Regressions / folder)) {
            const std::string name = std::string(folder) + "/" + entry.path().filename().string();
            CAPTURE(name);
            const std::string data = ReadAll(entry.path());
            const std::string outcome = DecodedOutcome(decoder, data);
            REQUIRE(outcomes.count(name) == 1);
            CHECK(outcome == outcomes[name]);
            // The loader tries every format; a refusal leaves its picture empty.
            TPicture loaded;
            LoadPicture(loaded, data);
            CHECK(OutcomeOf(loaded) == outcomes[name]);
            outcomes.erase(name);
            ++replayed;
        }
        CAPTURE(folder);
        CHECK(replayed > 0);
    }
    // A record whose input is gone replays nothing.
    CHECK(outcomes.empty());
}
