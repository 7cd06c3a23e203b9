#include "launcher/CommandLine.h"

namespace {

bool IsSeparator(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 1 && u <= 32;
}

// Reads one word from pos; returns the word and leaves pos after it.
std::string NextWord(const std::string& line, size_t& pos) {
    for (;;) {
        while (pos < line.size() && IsSeparator(line[pos])) ++pos;
        if (pos + 1 < line.size() && line[pos] == '"' && line[pos + 1] == '"')
            pos += 2;
        else
            break;
    }
    std::string word;
    while (pos < line.size() && line[pos] != '\0' && !IsSeparator(line[pos])) {
        if (line[pos] == '"') {
            ++pos;
            while (pos < line.size() && line[pos] != '\0' && line[pos] != '"') word += line[pos++];
            if (pos < line.size() && line[pos] == '"') ++pos;
        } else {
            word += line[pos++];
        }
    }
    return word;
}

}  // namespace

TCommandLine::TCommandLine(const std::string& line) {
    size_t pos = 0;
    NextWord(line, pos);  // the program name
    for (;;) {
        std::string word = NextWord(line, pos);
        if (word.empty()) break;
        args_.push_back(std::move(word));
    }
}

TCommandLine::TCommandLine(const std::vector<std::string>& words) {
    for (const std::string& word : words) {
        if (word.empty()) break;
        args_.push_back(word);
    }
}

const std::string& TCommandLine::Arg(int index) const {
    static const std::string empty;
    if (index < 1 || index > Count()) return empty;
    return args_[static_cast<size_t>(index - 1)];
}

std::string TCommandLine::ModeName() const { return LowerAscii(Arg(1)); }

std::string ModeParameters(const std::string& mode, const std::string& first, const std::string& second) {
    return mode + " \"" + first + "\" \"" + second + "\"";
}

TMode RoutedMode(const TCommandLine& args) {
    struct TRoute {
        const char* Name;
        int LeastCount;
        TMode Mode;
    };
    static const TRoute Routes[] = {
        {"rename", 3, TMode::Rename},  {"downsize", 7, TMode::Downsize}, {"splash", 2, TMode::Splash},
        {"/setup", 2, TMode::Setup},   {"/config", 3, TMode::Config},    {"/icon", 3, TMode::Icon},
        {"/splash", 3, TMode::SplashImage},
    };
    const std::string mode = args.ModeName();
    for (const TRoute& route : Routes)
        if (mode == route.Name) return args.Count() >= route.LeastCount ? route.Mode : TMode::None;
    return TMode::None;
}
