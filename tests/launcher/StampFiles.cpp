#include "StampFiles.h"

#include <fstream>
#include <iterator>

#include "util/ResourceUpdate.h"
#include "util/Utf.h"

namespace {

void AppendLe(std::string& out, unsigned value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

}  // namespace

std::string WinPath(const std::string& buildPath) {
    std::string path = buildPath.front() == '/' ? "Z:" + buildPath : buildPath;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(Widen(path).c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(Widen(path).c_str(), std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool Exists(const std::string& path) { return GetFileAttributesW(Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string CopyTo(const std::string& destination, const char* buildPath) {
    WriteBytes(destination, ReadBytes(WinPath(buildPath)));
    return destination;
}

std::optional<std::string> ResourceBytes(const std::string& exe, LPCWSTR type, LPCWSTR name, WORD language) {
    UniqueModule module = LoadAsDataFile(exe);
    HRSRC info = module ? FindResourceExW(module.Get(), type, name, language) : nullptr;
    if (!info) return std::nullopt;
    const void* data = LockResource(LoadResource(module.Get(), info));
    return std::string(static_cast<const char*>(data), SizeofResource(module.Get(), info));
}

std::vector<WORD> ResourceLanguages(const std::string& exe, LPCWSTR type, LPCWSTR name) {
    std::vector<WORD> languages;
    UniqueModule module = LoadAsDataFile(exe);
    EnumResourceLanguagesW(
        module.Get(), type, name,
        [](HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR list) -> BOOL {
            reinterpret_cast<std::vector<WORD>*>(list)->push_back(language);
            return TRUE;
        },
        reinterpret_cast<LONG_PTR>(&languages));
    return languages;
}

std::string IconFileOf(const std::vector<TTestImage>& images) {
    std::string file;
    AppendLe(file, 0, 2);
    AppendLe(file, 1, 2);
    AppendLe(file, static_cast<unsigned>(images.size()), 2);
    unsigned offset = static_cast<unsigned>(6 + 16 * images.size());
    for (const TTestImage& image : images) {
        file += static_cast<char>(image.size);
        file += static_cast<char>(image.size);
        AppendLe(file, 0, 2);
        AppendLe(file, 1, 2);
        AppendLe(file, 32, 2);
        AppendLe(file, static_cast<unsigned>(image.bytes.size()), 4);
        AppendLe(file, offset, 4);
        offset += static_cast<unsigned>(image.bytes.size());
    }
    for (const TTestImage& image : images) file += image.bytes;
    return file;
}
