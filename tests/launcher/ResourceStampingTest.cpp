#include <doctest/doctest.h>

#include "StampFiles.h"
#include "util/IconUpdate.h"
#include "util/RawFile.h"
#include "util/Errors.h"
#include "util/ShellKit.h"

namespace {

constexpr WORD EnglishUs = 1033;
constexpr WORD ChineseSimplified = 2052;

// The resources of the test executable that no stamping touches.
void CheckOthersUntouched(const std::string& exe) {
    CHECK(ResourceBytes(exe, RT_RCDATA, L"RES_OTHER", 0) == "other resource");
    CHECK(ResourceLanguages(exe, RT_RCDATA, L"RES_OTHER") == std::vector<WORD>{0});
}

std::string IconError(const std::string& exe, const std::string& icon) {
    try {
        UpdateIcons(exe, icon);
    } catch (const std::exception& error) {
        return error.what();
    }
    return "";
}

const std::vector<TTestImage> ThreeImages = {
    {48, std::string(300, 'L')}, {32, std::string(200, 'M')}, {16, std::string(100, 'S')}};

}  // namespace

TEST_CASE("data resources are stamped byte for byte under the neutral language") {
    TTestFolder folder;
    const std::string exe = CopyTo(folder / "target.exe", STAMP_TARGET_EN_US);
    const std::string notIni("\0\x01binary\xFF\r\n[not ini", 18);
    const std::string image = "\x89PNG fake image";

    CHECK(TShellKit::WriteRcDataResource(exe, "RES_CONFIG_INI", notIni));
    CHECK(TShellKit::WriteRcDataResource(exe, "RES_SPLASH", image));

    CHECK(ResourceBytes(exe, RT_RCDATA, L"RES_CONFIG_INI", 0) == notIni);
    CHECK(ResourceBytes(exe, RT_RCDATA, L"RES_SPLASH", 0) == image);
    CHECK(ResourceLanguages(exe, RT_RCDATA, L"RES_CONFIG_INI") == std::vector<WORD>{0});
    CHECK(ResourceBytes(exe, RT_GROUP_ICON, L"MAINICON", EnglishUs)->size() == 20);
    CheckOthersUntouched(exe);

    SUBCASE("a file that is no executable is left as it was") {
        const std::string text = folder / "plain.txt";
        WriteBytes(text, "just text");
        CHECK_FALSE(TShellKit::WriteRcDataResource(text, "RES_SPLASH", image));
        CHECK(ReadBytes(text) == "just text");
    }
}

TEST_CASE("a three-image icon replaces a one-image group") {
    TTestFolder folder;
    const std::string exe = CopyTo(folder / "target.exe", STAMP_TARGET_EN_US);
    std::string icon = IconFileOf(ThreeImages);
    icon[2] = 7;  // the file's type word must not reach the group
    WriteBytes(folder / "new.ico", icon);

    UpdateIcons(exe, folder / "new.ico");

    for (unsigned id = 1; id <= 3; ++id) {
        CHECK(ResourceLanguages(exe, RT_ICON, MAKEINTRESOURCEW(id)) == std::vector<WORD>{EnglishUs});
        CHECK(ResourceBytes(exe, RT_ICON, MAKEINTRESOURCEW(id), EnglishUs) == ThreeImages[id - 1].bytes);
    }
    const auto group = ResourceBytes(exe, RT_GROUP_ICON, L"MAINICON", EnglishUs);
    REQUIRE(group);
    REQUIRE(group->size() == 48);
    CHECK(group->substr(0, 6) == std::string("\0\0\1\0\3\0", 6));
    for (unsigned i = 0; i < 3; ++i) {
        CHECK(group->substr(6 + 14 * i, 12) == icon.substr(6 + 16 * i, 12));
        CHECK(IconGroupEntryId(group->data(), i) == i + 1);
    }
    CheckOthersUntouched(exe);
    CHECK(ResourceBytes(exe, RT_RCDATA, L"RES_SPLASH", 0) == "old splash");
}

TEST_CASE("old icons go under their own language, new ones come under 1033") {
    TTestFolder folder;
    const std::string exe = CopyTo(folder / "target.exe", STAMP_TARGET_CHINESE);
    REQUIRE(ResourceLanguages(exe, RT_GROUP_ICON, L"MAINICON") == std::vector<WORD>{ChineseSimplified});

    SUBCASE("three images") {
        WriteBytes(folder / "new.ico", IconFileOf(ThreeImages));
        UpdateIcons(exe, folder / "new.ico");
        CHECK(ResourceLanguages(exe, RT_ICON, MAKEINTRESOURCEW(1)) == std::vector<WORD>{EnglishUs});
    }
    SUBCASE("no image at all: an empty group") {
        WriteBytes(folder / "new.ico", IconFileOf({}));
        UpdateIcons(exe, folder / "new.ico");
        CHECK(ResourceLanguages(exe, RT_ICON, MAKEINTRESOURCEW(1)).empty());
        CHECK(ResourceBytes(exe, RT_GROUP_ICON, L"MAINICON", EnglishUs) == std::string("\0\0\1\0\0\0", 6));
    }
    CHECK(ResourceLanguages(exe, RT_GROUP_ICON, L"MAINICON") == std::vector<WORD>{EnglishUs});
}

TEST_CASE("icon replacement failures leave the target unchanged") {
    TTestFolder folder;
    const std::string noIcon = CopyTo(folder / "target.exe", STAMP_TARGET_NO_ICON);
    const std::string before = ReadBytes(noIcon);
    WriteBytes(folder / "good.ico", IconFileOf(ThreeImages));

    const std::string missingGroup = IconError(noIcon, folder / "good.ico");
    CHECK(missingGroup.rfind("Resource update error: FindResource failed (1)(", 0) == 0);
    CHECK(missingGroup.back() == ')');
    CHECK(missingGroup.size() > std::string("Resource update error: FindResource failed (1)()").size());

    std::string largest = IconFileOf({});
    largest.resize(MaxIconFileSize);
    WriteBytes(folder / "largest.ico", largest);
    WriteBytes(folder / "too-large.ico", largest + "x");
    WriteBytes(folder / "empty.ico", "");
    WriteBytes(folder / "exe.ico", before);
    CHECK(IconError(noIcon, folder / "too-large.ico") == "Resource update error: Icon file is too large");
    CHECK(IconError(noIcon, folder / "largest.ico").find("FindResource failed") != std::string::npos);
    CHECK(IconError(noIcon, folder / "empty.ico") == "Resource update error: Icon file is invalid");
    CHECK(IconError(noIcon, folder / "exe.ico") == "Resource update error: Icon file is invalid");
    CHECK_THROWS_AS(UpdateIcons(noIcon, folder / "missing.ico"), EFileError);
    CHECK(ReadBytes(noIcon) == before);
}

TEST_CASE("file errors carry the system text, or a numbered fallback") {
    auto raised = [](DWORD code) {
        SetLastError(code);
        try {
            RaiseLastFileError();
        } catch (const EFileError& error) {
            CHECK(error.Code == code);
            return std::string(error.what());
        }
        return std::string();
    };
    const std::string eof = raised(ERROR_HANDLE_EOF);
    CHECK_FALSE(eof.empty());
    CHECK(eof.back() != '.');
    CHECK(eof.back() > ' ');
    CHECK(raised(0x2000ABCD) == "File I/O error 536914893");
    CHECK(TrimErrorText("Reached the end.\r\n ") == "Reached the end");

    TTestFolder folder;
    WriteBytes(folder / "five", "12345");
    TFile file(folder / "five", TFileCreate::OpenExisting, TFileAccess::Read, TFileShare::Read);
    CHECK(file.CappedSize() == 5);
    char buffer[8];
    try {
        file.ReadBuffer(buffer, 8);
        FAIL("a short read must raise");
    } catch (const EFileError& error) {
        CHECK(error.Code == ERROR_HANDLE_EOF);
    }
}
