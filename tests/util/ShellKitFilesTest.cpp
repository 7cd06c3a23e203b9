#include <doctest/doctest.h>

#include <windows.h>
#include <objidl.h>
#include <shlwapi.h>

#include "util/ComPtr.h"
#include "util/Errors.h"
#include "util/Handles.h"
#include "util/Picture.h"
#include "util/ShellKit.h"
#include "util/Utf.h"
#include "tools/TempFolder.h"

namespace {

// Holds the file open without sharing, as a running program holds its image.
UniqueHandle HoldOpen(const std::string& file) {
    return UniqueHandle(CreateFileW(Widen(file).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
}

std::string SourceFile(const std::string& relative) {
    // The source tree is reached through Wine's drive for the Unix root.
    std::string path = std::string("Z:") + VADROME_SOURCE_DIR + "/" + relative;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

}  // namespace

TEST_CASE("file contents round-trip byte for byte under a non-ASCII name") {
    TempFolder temp;
    const std::string file = temp / "Dätei ü.bin";
    const std::string bytes("line\r\n\0\xff\x80 end", 12);
    TShellKit::WriteFileText(file, bytes);
    CHECK(TShellKit::ReadFileText(file) == bytes);
    TShellKit::WriteFileText(file, "short");
    CHECK(TShellKit::ReadFileText(file) == "short");

    // Reading does not stand in the way of a writer holding the file.
    UniqueHandle writer(CreateFileW(Widen(file).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                    nullptr));
    REQUIRE(writer);
    CHECK(TShellKit::ReadFileText(file) == "short");
}

TEST_CASE("file errors name the file and the platform's reason") {
    TempFolder temp;
    const std::string missing = temp / "missing.txt";
    const std::string openText = "Cannot open file \"" + missing + "\". ";
    CHECK_THROWS_WITH_AS(TShellKit::ReadFileText(missing), doctest::Contains(openText.c_str()), EFileError);
    const std::string unreachable = temp / "no folder\\x.txt";
    const std::string createText = "Cannot create file \"" + unreachable + "\". ";
    CHECK_THROWS_WITH_AS(TShellKit::WriteFileText(unreachable, "x"), doctest::Contains(createText.c_str()),
                         EFileError);
    CHECK_THROWS_AS(TShellKit::ReadFileText(temp.Path()), EFileError);
}

TEST_CASE("a file is locked while someone holds it, and a folder is not a file") {
    TempFolder temp;
    const std::string file = temp / "held.txt";
    TShellKit::WriteFileText(file, "x");
    CHECK_FALSE(TShellKit::IsFileLocked(file));
    {
        UniqueHandle holder = HoldOpen(file);
        REQUIRE(holder);
        CHECK(TShellKit::IsFileLocked(file));
    }
    CHECK_FALSE(TShellKit::IsFileLocked(file));
    CHECK_FALSE(TShellKit::IsFileLocked(temp.Path()));
    CHECK_FALSE(TShellKit::IsFileLocked(temp / "missing.txt"));
}

TEST_CASE("the read-only bit is set and cleared without touching the other attributes") {
    TempFolder temp;
    const std::string file = temp / "attrs.txt";
    TShellKit::WriteFileText(file, "x");
    REQUIRE(SetFileAttributesW(Widen(file).c_str(), FILE_ATTRIBUTE_HIDDEN));
    const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY;
    CHECK(TShellKit::SetReadOnlyAttribute(file, true));
    CHECK((GetFileAttributesW(Widen(file).c_str()) & kept) == kept);
    CHECK(TShellKit::IsFileLocked(file));
    CHECK(TShellKit::SetReadOnlyAttribute(file, false));
    CHECK((GetFileAttributesW(Widen(file).c_str()) & kept) == FILE_ATTRIBUTE_HIDDEN);
    CHECK_FALSE(TShellKit::IsFileLocked(file));
    CHECK_FALSE(TShellKit::SetReadOnlyAttribute(temp / "missing.txt", true));
}

TEST_CASE("quiet deletion removes files only and reports whether the file is gone") {
    TempFolder temp;
    const std::string file = temp / "gone ü.txt";
    TShellKit::WriteFileText(file, "x");
    CHECK(TShellKit::DeleteFileQuiet(file));
    CHECK_FALSE(TShellKit::FileExists(file));
    CHECK(TShellKit::DeleteFileQuiet(file));

    const std::string folder = temp / "kept";
    REQUIRE(CreateDirectoryW(Widen(folder).c_str(), nullptr));
    CHECK(TShellKit::DeletePathChecked(folder));
    CHECK(TShellKit::DirectoryExists(folder));

    const std::string held = temp / "held.txt";
    TShellKit::WriteFileText(held, "x");
    UniqueHandle holder = HoldOpen(held);
    CHECK_FALSE(TShellKit::DeleteFileQuiet(held));
}

TEST_CASE("folders are copied with their contents into a destination and deleted whole") {
    TempFolder temp;
    const std::string data = temp / "data";
    REQUIRE(TShellKit::ForceDirectories(data + "\\sub ß\\deeper"));
    TShellKit::WriteFileText(data + "\\sub ß\\deeper\\f.txt", "deep");
    const std::string work = temp / "work";
    REQUIRE(TShellKit::ForceDirectories(work + "\\data\\sub ß\\deeper"));
    TShellKit::WriteFileText(work + "\\data\\old.txt", "old");
    TShellKit::WriteFileText(work + "\\data\\sub ß\\deeper\\f.txt", "stale");

    TShellKit::CopyFolder(data, work);
    CHECK(TShellKit::ReadFileText(work + "\\data\\sub ß\\deeper\\f.txt") == "deep");
    CHECK(TShellKit::FileExists(work + "\\data\\old.txt"));

    TShellKit::DeleteFolder("  " + data + " ");
    CHECK_FALSE(TShellKit::DirectoryExists(data));
    TShellKit::DeleteFolder("");
    CHECK(TShellKit::DirectoryExists(work));
}

TEST_CASE("the read-only attribute goes through a whole tree, hidden entries included") {
    TempFolder temp;
    const std::string root = temp / "tree";
    REQUIRE(TShellKit::ForceDirectories(root + "\\a\\b"));
    const std::string files[] = {root + "\\top.txt", root + "\\a\\mid.txt", root + "\\a\\b\\low ü.txt"};
    for (const std::string& file : files) TShellKit::WriteFileText(file, "x");
    SetFileAttributesW(Widen(files[1]).c_str(), FILE_ATTRIBUTE_HIDDEN);

    CHECK(TShellKit::ForEachFileRecursive(root, true));
    for (const std::string& file : files)
        CHECK((GetFileAttributesW(Widen(file).c_str()) & FILE_ATTRIBUTE_READONLY) != 0);

    CHECK(TShellKit::ForEachFileRecursive(root, false));
    for (const std::string& file : files)
        CHECK((GetFileAttributesW(Widen(file).c_str()) & FILE_ATTRIBUTE_READONLY) == 0);
    CHECK((GetFileAttributesW(Widen(files[1]).c_str()) & FILE_ATTRIBUTE_HIDDEN) != 0);

    CHECK_FALSE(TShellKit::ForEachFileRecursive(temp / "missing", false));
}

TEST_CASE("unique file names skip locked candidates only") {
    TempFolder temp;
    const std::string first = temp / "krvn_cmd0.tmp";
    CHECK(TShellKit::MakeUniqueFileName("krvn_cmd", temp.Path(), ".tmp", 0) == first);
    TShellKit::WriteFileText(first, "x");
    CHECK(TShellKit::MakeUniqueFileName("krvn_cmd", temp.Path(), ".tmp", 0) == first);

    TShellKit::WriteFileText(temp / "krvn_cmd1.tmp", "x");
    UniqueHandle hold0 = HoldOpen(first);
    UniqueHandle hold1 = HoldOpen(temp / "krvn_cmd1.tmp");
    CHECK(TShellKit::MakeUniqueFileName("krvn_cmd", temp.Path(), ".tmp", 0) == temp / "krvn_cmd2.tmp");
    CHECK(TShellKit::MakeUniqueFileName("krvn_cmd", temp.Path(), ".tmp", 5) == temp / "krvn_cmd5.tmp");

    CHECK(TShellKit::MakeUniqueFileName("p", temp / "missing", ".x", 3) == TShellKit::GetTempDir() + "\\p3.x");
}

TEST_CASE("INI values are written, read without regard to case, and deleted") {
    TempFolder temp;
    const std::string ini = temp / "Cönfig.ini";
    TShellKit::IniWriteString(ini, "INI", "title", "My Site");
    TShellKit::WriteIniValue(ini, "INI", "port", "8080");
    TShellKit::WriteIniValue(ini, "Other", "x", "1");
    CHECK(TShellKit::IniReadString(ini, "ini", "TITLE") == "My Site");
    CHECK(TShellKit::ReadIniValue(ini, "INI", "port") == "8080");
    CHECK(TShellKit::ReadIniSection(ini, "INI") == std::vector<std::string>{"title", "port"});
    CHECK(TShellKit::ReadIniSection(ini, "Nothing").empty());

    TShellKit::IniDeleteKey(ini, "ini", "Title");
    CHECK(TShellKit::ReadIniSection(ini, "INI") == std::vector<std::string>{"port"});
}

TEST_CASE("INI reads of a missing file create nothing, and long values are cut at 2047") {
    TempFolder temp;
    const std::string missing = temp / "missing.ini";
    CHECK(TShellKit::ReadIniValue(missing, "INI", "x") == "");
    TShellKit::IniDeleteKey(missing, "INI", "x");
    CHECK_FALSE(TShellKit::FileExists(missing));

    const std::string ini = temp / "long.ini";
    TShellKit::WriteIniValue(ini, "INI", "long", std::string(3000, 'v'));
    CHECK(TShellKit::ReadIniValue(ini, "INI", "long") == std::string(2047, 'v'));
}

TEST_CASE("a failed INI write raises an error naming the file") {
    TempFolder temp;
    const std::string ini = temp / "no folder\\x.ini";
    CHECK_THROWS_WITH(TShellKit::IniWriteString(ini, "INI", "k", "v"), ("Unable to write to " + ini).c_str());
}

TEST_CASE("application folders, the work folder and the path hash") {
    const std::string exe = TShellKit::GetExeFileName();
    CHECK(TShellKit::GetAppPath() == exe.substr(0, exe.rfind('\\') + 1));
    CHECK(TShellKit::GetAppDir() + "\\" == TShellKit::GetAppPath());
    CHECK(TShellKit::HashOfPath("") == TShellKit::Md5Hex(exe));

    const std::string work = TShellKit::GetWorkDir();
    CHECK(work == TShellKit::GetCommonAppDataDir() + "\\" +
                      TShellKit::Md5Hex(TShellKit::GetLoginName() + "\\" + exe));
    CHECK(TShellKit::DirectoryExists(work));

    const std::string tempDir = TShellKit::GetTempDir();
    CHECK(tempDir.back() != '\\');
    CHECK(TShellKit::DirectoryExists(tempDir));
}

TEST_CASE("relative paths are expanded against the application folder") {
    TempFolder temp;
    SetCurrentDirectoryW(Widen(temp.Path()).c_str());
    CHECK(TShellKit::ExpandAppRelative("bin\\x.ini") == TShellKit::GetAppPath() + "bin\\x.ini");
    CHECK(TShellKit::ExpandAppRelative(temp / "a.txt") == temp / "a.txt");
}

TEST_CASE("short paths name the same file; drives are probed by their root") {
    TempFolder temp;
    const std::string file = temp / "a rather long name ü.txt";
    TShellKit::WriteFileText(file, "same");
    const std::string shortPath = TShellKit::GetShortPath(file);
    REQUIRE_FALSE(shortPath.empty());
    CHECK(TShellKit::ReadFileText(shortPath) == "same");
    CHECK(TShellKit::GetShortPath(temp / "missing.txt").empty());

    CHECK_FALSE(TShellKit::IsCdRomDrive(""));
    CHECK(TShellKit::GetDriveVolumeLabel(file));
    CHECK(TShellKit::GetDriveVolumeLabel("C:"));
}

TEST_CASE("the embedded configuration comes out byte for byte") {
    const std::string config = TShellKit::ReadFileText(SourceFile("src/res/Config.ini"));
    CHECK(TShellKit::ReadResourceText("RES_CONFIG_INI") == config);

    TempFolder temp;
    TShellKit::SaveResourceToFile("RES_CONFIG_INI", temp / "Config.ini");
    CHECK(TShellKit::ReadFileText(temp / "Config.ini") == config);

    CHECK_THROWS_WITH(TShellKit::ReadResourceText("RES_NOPE"), "Resource RES_NOPE not found");
    CHECK_THROWS(TShellKit::SaveResourceToFile("RES_NOPE", temp / "x"));
    CHECK_FALSE(TShellKit::FileExists(temp / "x"));
}

TEST_CASE("a picture is read from a stream's start, wherever the stream stands") {
    const std::string splash = TShellKit::ReadResourceText("RES_SPLASH");
    TPicture expected;
    TShellKit::LoadPictureFromString(expected, splash);
    REQUIRE(expected.Width == 424);

    const auto fromStream = [](const std::string& bytes) {
        ComPtr<IStream> stream(
            SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<UINT>(bytes.size())), false);
        stream->Seek(LARGE_INTEGER{{static_cast<DWORD>(bytes.size()), 0}}, STREAM_SEEK_SET, nullptr);
        TPicture picture;
        picture.Width = picture.Height = 1;
        TShellKit::LoadPictureFromStream(picture, stream.Get());
        return picture;
    };
    const TPicture loaded = fromStream(splash);
    CHECK(loaded.Width == expected.Width);
    CHECK(loaded.Height == expected.Height);
    CHECK(loaded.Bgra == expected.Bgra);
    CHECK(fromStream("no image at all").Empty());
    TPicture none;
    none.Width = none.Height = 1;
    TShellKit::LoadPictureFromStream(none, nullptr);
    CHECK(none.Empty());
}
