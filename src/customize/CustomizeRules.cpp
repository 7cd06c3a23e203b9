#include "customize/CustomizeRules.h"

#include <climits>

#include "server/ServerText.h"
#include "util/Errors.h"
#include "util/Text.h"

std::string BrandIniValue(const std::string& key, const std::string& value) {
    const bool quoted = key == "splashfilename" || key == "title" || key == "iconfile";
    return quoted ? QuotedValue(value) : value;
}

int BrandPortOf(const std::string& value) {
    long long port = 0;
    if (!ParseDecimal(Trim(value), port) || port < INT_MIN || port > INT_MAX)
        throw Exception("'" + value + "' is not a valid integer value");
    return static_cast<int>(port);
}

std::vector<TStampStep> StampingSteps(const std::string& splashFile, bool splashExists, const std::string& iconFile,
                                      bool iconExists, const std::string& brandIni) {
    std::vector<TStampStep> steps;
    if (splashExists) steps.push_back({"/splash", splashFile});
    if (iconExists) steps.push_back({"/icon", iconFile});
    steps.push_back({"/config", brandIni});
    return steps;
}

std::string InFolder(const std::string& folder, const std::string& name) {
    return !folder.empty() && folder.back() == '\\' ? folder + name : folder + "\\" + name;
}
