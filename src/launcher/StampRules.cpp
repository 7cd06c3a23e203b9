#include "launcher/StampRules.h"

#include "util/IconDirectory.h"

const char* StampedEntryOf(TMode mode) {
    switch (mode) {
    case TMode::Config: return ConfigEntryName;
    case TMode::Icon: return IconEntryName;
    case TMode::SplashImage: return SplashEntryName;
    default: return nullptr;
    }
}

std::string IconFileProblem(const std::string& data) {
    if (data.size() > MaxIconFileSize) return "Icon file is too large";
    if (!IsValidIcon(data.data(), data.size())) return "Icon file is invalid";
    return {};
}

bool StampTook(std::optional<int> exitCode, const std::optional<std::string>& stamped, const std::string& wanted) {
    return exitCode == 0 && stamped == wanted;
}
