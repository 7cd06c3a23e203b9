// The shipped exe is small and laid out as a linker lays out a plain release
// build, and stays so once stamped: the system's resource updater rewrites
// it on every stamp and is not known to keep data it does not expect.
#include <doctest/doctest.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "ModeRun.h"
#include "StampFiles.h"

namespace {

const std::string Vadrome = WinPath(VADROME_EXE);
constexpr std::size_t SizeLimit = 1441792;  // 1.375 MiB

struct TSection {
    std::string Name;
    std::uint32_t RawOffset = 0, RawSize = 0;
};

struct TPeLayout {
    std::uint32_t SymbolTable = 0, SymbolCount = 0;
    std::uint32_t DebugDirectorySize = 0;
    std::vector<TSection> Sections;
};

template <class T>
T At(const std::string& bytes, std::size_t offset) {
    T value{};
    if (offset + sizeof(T) <= bytes.size()) std::memcpy(&value, bytes.data() + offset, sizeof(T));
    return value;
}

std::optional<TPeLayout> ReadLayout(const std::string& bytes) {
    const auto pe = At<std::uint32_t>(bytes, offsetof(IMAGE_DOS_HEADER, e_lfanew));
    if (At<WORD>(bytes, 0) != IMAGE_DOS_SIGNATURE || At<DWORD>(bytes, pe) != IMAGE_NT_SIGNATURE) return std::nullopt;
    const std::size_t coff = pe + 4;
    const auto header = At<IMAGE_FILE_HEADER>(bytes, coff);
    const std::size_t optional = coff + sizeof(IMAGE_FILE_HEADER);
    if (At<WORD>(bytes, optional) != IMAGE_NT_OPTIONAL_HDR64_MAGIC) return std::nullopt;
    TPeLayout layout;
    layout.SymbolTable = header.PointerToSymbolTable;
    layout.SymbolCount = header.NumberOfSymbols;
    layout.DebugDirectorySize =
        At<IMAGE_OPTIONAL_HEADER64>(bytes, optional).DataDirectory[IMAGE_DIRECTORY_ENTRY_DEBUG].Size;
    for (int i = 0; i < header.NumberOfSections; ++i) {
        const auto section =
            At<IMAGE_SECTION_HEADER>(bytes, optional + header.SizeOfOptionalHeader + i * sizeof(IMAGE_SECTION_HEADER));
        const char* name = reinterpret_cast<const char*>(section.Name);
        layout.Sections.push_back({std::string(name, strnlen(name, IMAGE_SIZEOF_SHORT_NAME)),
                                   section.PointerToRawData, section.SizeOfRawData});
    }
    return layout;
}

void CheckLayout(const std::string& bytes) {
    const std::optional<TPeLayout> layout = ReadLayout(bytes);
    REQUIRE(layout);
    CHECK(layout->SymbolTable == 0);
    CHECK(layout->SymbolCount == 0);
    CHECK(layout->DebugDirectorySize == 0);
    std::size_t end = 0, resources = layout->Sections.size();
    for (std::size_t i = 0; i < layout->Sections.size(); ++i) {
        const TSection& section = layout->Sections[i];
        CAPTURE(section.Name);
        // Debug sections have long names, kept in the symbol table's strings as "/<offset>".
        CHECK(section.Name.rfind(".debug", 0) != 0);
        CHECK(section.Name.rfind('/', 0) != 0);
        if (section.Name == ".rsrc") resources = i;
        end = std::max<std::size_t>(end, section.RawOffset + section.RawSize);
    }
    // Resources last, or followed by the relocations only.
    REQUIRE(resources < layout->Sections.size());
    for (std::size_t i = resources + 1; i < layout->Sections.size(); ++i) CHECK(layout->Sections[i].Name == ".reloc");
    // Nothing after the sections: no symbols, no debug information, no appended data.
    CHECK(bytes.size() == end);
}

}  // namespace

TEST_CASE("the shipped exe stays within its size") {
    const std::string exe = ReadBytes(Vadrome);
    INFO("vadrome.exe is ", exe.size(), " bytes");
    CHECK(exe.size() <= SizeLimit);
}

TEST_CASE("the shipped exe and a stamped copy carry no symbols or debug data, resources where a linker puts them") {
    CheckLayout(ReadBytes(Vadrome));

    TTestFolder folder;
    const std::string copy = CopyTo(folder / "runner.exe", VADROME_EXE);
    // A splash far larger than the built-in one moves everything after the resources.
    std::string splash(300000, '\0');
    for (std::size_t i = 0; i < splash.size(); ++i) splash[i] = static_cast<char>(i * 7919 % 251);
    WriteBytes(folder / "splash.png", splash);
    WriteBytes(folder / "Config.ini", "[INI]\r\nport=8080");
    CHECK(Run(Vadrome, "/splash " + Quoted(copy) + " " + Quoted(folder / "splash.png")).exitCode == 0);
    CHECK(Run(Vadrome, "/config " + Quoted(copy) + " " + Quoted(folder / "Config.ini")).exitCode == 0);
    REQUIRE(ResourceBytes(copy, RT_RCDATA, L"RES_SPLASH", 0) == splash);
    REQUIRE(ResourceBytes(copy, RT_RCDATA, L"RES_CONFIG_INI", 0) == "[INI]\r\nport=8080");
    CheckLayout(ReadBytes(copy));
}
