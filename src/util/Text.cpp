#include "util/Text.h"

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

}  // namespace

bool IsAscii(std::string_view text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

std::string LowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

std::string UpperAscii(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

std::string TrimLeft(std::string_view text) {
    size_t first = 0;
    while (first < text.size() && IsBlank(text[first])) ++first;
    return std::string(text.substr(first));
}

std::string TrimRight(std::string_view text) {
    size_t end = text.size();
    while (end > 0 && IsBlank(text[end - 1])) --end;
    return std::string(text.substr(0, end));
}

std::string Trim(std::string_view text) { return TrimLeft(TrimRight(text)); }

std::string ReplaceText(std::string_view text, std::string_view oldPattern,
                        std::string_view newPattern, bool ignoreCase) {
    if (oldPattern.empty()) return std::string(text);
    // ASCII folding keeps byte offsets equal between the folded and the original text.
    const std::string haystack = ignoreCase ? LowerAscii(text) : std::string(text);
    const std::string needle = ignoreCase ? LowerAscii(oldPattern) : std::string(oldPattern);
    std::string result;
    size_t from = 0;
    for (size_t at; (at = haystack.find(needle, from)) != std::string::npos; from = at + needle.size()) {
        result.append(text.substr(from, at - from));
        result.append(newPattern);
    }
    result.append(text.substr(from));
    return result;
}
