#include <doctest/doctest.h>

#include <string>

#include "util/IconDirectory.h"

namespace {

std::string Le(unsigned value, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
    return out;
}

std::string Entry(unsigned char size, unsigned imageSize, unsigned offset) {
    return std::string{static_cast<char>(size), static_cast<char>(size), 0, 0} + Le(1, 2) + Le(32, 2) +
           Le(imageSize, 4) + Le(offset, 4);
}

// Header with reserved 0, type 1 and the given count.
std::string Header(unsigned count) { return Le(0, 2) + Le(1, 2) + Le(count, 2); }

bool Valid(const std::string& data) { return IsValidIcon(data.data(), data.size()); }

}  // namespace

TEST_CASE("icon files: what passes and what is refused") {
    // Three images of 4 bytes each right after the directory (6 + 48 = 54).
    const std::string three = Header(3) + Entry(48, 4, 54) + Entry(32, 4, 58) + Entry(16, 4, 62) + "aaaabbbbcccc";
    CHECK(Valid(three));
    CHECK(Valid(Header(0)));

    for (size_t size = 0; size < 6; ++size) CHECK_FALSE(IsValidIcon(three.data(), size));
    CHECK_FALSE(Valid("MZ" + three.substr(2)));
    // Says three images but the directory is cut short.
    CHECK_FALSE(Valid(three.substr(0, 53)));
    // Image runs one byte past the end.
    CHECK_FALSE(Valid(Header(1) + Entry(16, 5, 22) + "abcd"));
    CHECK(Valid(Header(1) + Entry(16, 4, 22) + "abcd"));
    // Offset plus size wraps around 32 bits to a small number.
    CHECK_FALSE(Valid(Header(1) + Entry(16, 0xFFFFFFF0u, 0x20) + std::string(16, 'x')));
}

TEST_CASE("the new group keeps the old header words and numbers the images from 1") {
    const std::string icon = Header(3) + Entry(48, 4, 54) + Entry(32, 4, 58) + Entry(16, 4, 62) + "aaaabbbbcccc";
    const std::string oldGroup = Le(7, 2) + Le(9, 2) + Le(1, 2) + Entry(16, 16, 0).substr(0, 12) + Le(5, 2);
    CHECK(IconGroupEntryId(oldGroup.data(), 0) == 5);

    const std::string group = BuildIconGroup(oldGroup.data(), icon.data());
    REQUIRE(group.size() == 48);
    CHECK(group.substr(0, 6) == Le(7, 2) + Le(9, 2) + Le(3, 2));
    for (unsigned i = 0; i < 3; ++i) {
        CHECK(group.substr(6 + 14 * i, 12) == icon.substr(6 + 16 * i, 12));
        CHECK(IconGroupEntryId(group.data(), i) == i + 1);
    }
    CHECK(BuildIconGroup(oldGroup.data(), Header(0).data()) == Le(7, 2) + Le(9, 2) + Le(0, 2));
}
