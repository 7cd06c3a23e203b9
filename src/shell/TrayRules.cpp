#include "shell/TrayRules.h"

#include <limits>
#include <vector>

namespace {

constexpr char32_t ReplacementCharacter = 0xFFFD;
constexpr char32_t ZeroWidthJoiner = 0x200D;
constexpr std::string_view Ellipsis = "\xE2\x80\xA6";  // U+2026, one UTF-16 unit

// One code point from text at pos; a byte that starts no valid sequence is
// U+FFFD on its own, as the platform's conversion treats it.
char32_t DecodeAt(std::string_view text, std::size_t& pos) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    std::size_t length = 0;
    char32_t code = 0, minimum = 0;
    if (lead < 0x80) {
        ++pos;
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, code = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, code = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, code = lead & 0x07, minimum = 0x10000;
    }
    if (length == 0 || pos + length > text.size()) {
        ++pos;
        return ReplacementCharacter;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(pos + i) & 0xC0) != 0x80) {
            ++pos;
            return ReplacementCharacter;
        }
        code = (code << 6) | (byte(pos + i) & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        ++pos;
        return ReplacementCharacter;
    }
    pos += length;
    return code;
}

void AppendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

std::size_t Utf16Units(char32_t code) { return code >= 0x10000 ? 2 : 1; }

// Code points that belong to the character before them.
bool ExtendsPrevious(char32_t code) {
    return (code >= 0x0300 && code <= 0x036F) || (code >= 0x1AB0 && code <= 0x1AFF) ||
           (code >= 0x1DC0 && code <= 0x1DFF) || (code >= 0x20D0 && code <= 0x20FF) ||
           (code >= 0xFE00 && code <= 0xFE0F) || (code >= 0xFE20 && code <= 0xFE2F) ||
           (code >= 0x1F3FB && code <= 0x1F3FF) || (code >= 0xE0100 && code <= 0xE01EF) ||
           code == ZeroWidthJoiner;
}

}  // namespace

TClickDecision GuardClick(std::uint32_t now, std::uint32_t nextClickTick, std::uint32_t doubleClickTime) {
    if (now < nextClickTick) return {false, nextClickTick};
    const std::uint64_t next = std::uint64_t{now} + doubleClickTime + ClickGuardExtra;
    constexpr std::uint64_t top = std::numeric_limits<std::uint32_t>::max();
    return {true, static_cast<std::uint32_t>(next < top ? next : top)};
}

bool TickWrapped(std::uint32_t now, std::uint32_t startTick) { return now < startTick; }

std::string FitTrayTip(std::string_view title, std::size_t capacity) {
    std::vector<char32_t> codes;
    std::size_t units = 0;
    for (std::size_t pos = 0; pos < title.size();) {
        codes.push_back(DecodeAt(title, pos));
        units += Utf16Units(codes.back());
    }
    const std::size_t room = capacity > 0 ? capacity - 1 : 0;  // the terminating zero
    std::size_t keep = codes.size();
    if (units > room) {
        // Whole code points up to the room left beside the ellipsis.
        const std::size_t textRoom = room > 0 ? room - 1 : 0;
        std::size_t used = 0;
        keep = 0;
        while (keep < codes.size() && used + Utf16Units(codes[keep]) <= textRoom) used += Utf16Units(codes[keep++]);
        while (keep > 0 && (ExtendsPrevious(codes[keep]) || codes[keep - 1] == ZeroWidthJoiner)) --keep;
        while (keep > 0 && (codes[keep - 1] == ' ' || codes[keep - 1] == '\t')) --keep;
    }
    std::string result;
    for (std::size_t i = 0; i < keep; ++i) AppendUtf8(result, codes[i]);
    if (keep < codes.size() && room > 0) result += Ellipsis;
    return result;
}
