#include "util/IniText.h"

#include <optional>
#include <string_view>

#include "util/Text.h"

namespace {

template <class F>
void ForEachLine(const std::string& text, F&& visit) {
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string_view line(text.data() + start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!visit(line)) return;
        start = end + 1;
    }
}

std::optional<std::string> SectionName(std::string_view line) {
    const std::string trimmed = Trim(line);
    const size_t close = trimmed.find(']');
    if (trimmed.empty() || trimmed.front() != '[' || close == std::string::npos) return std::nullopt;
    return LowerAscii(Trim(std::string_view(trimmed).substr(1, close - 1)));
}

std::string Unquoted(std::string value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

// Calls visit(name, value) for each key line of the section until it returns false.
template <class F>
void ForEachKey(const std::string& text, const std::string& section, F&& visit) {
    const std::string wanted = LowerAscii(Trim(section));
    bool inSection = false;
    ForEachLine(text, [&](std::string_view line) {
        if (const auto name = SectionName(line)) {
            inSection = *name == wanted;
            return true;
        }
        const size_t equals = line.find('=');
        if (!inSection || equals == std::string_view::npos) return true;
        return visit(Trim(line.substr(0, equals)), Unquoted(Trim(line.substr(equals + 1))));
    });
}

}  // namespace

std::string ReadIniText(const std::string& text, const std::string& section, const std::string& key) {
    const std::string wanted = LowerAscii(Trim(key));
    std::string result;
    ForEachKey(text, section, [&](const std::string& name, const std::string& value) {
        if (LowerAscii(name) != wanted) return true;
        result = value;
        return false;
    });
    return result;
}

std::vector<std::string> ReadIniTextSection(const std::string& text, const std::string& section) {
    std::vector<std::string> names;
    ForEachKey(text, section, [&](const std::string& name, const std::string&) {
        if (!name.empty()) names.push_back(name);
        return true;
    });
    return names;
}
