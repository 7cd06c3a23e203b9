#include "StampFiles.h"

#include <fstream>
#include <iterator>

#include "launcher/ResourceUpdate.h"
#include "util/Utf.h"

namespace {

void RemoveTree(const std::wstring& path) {
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring child = path + L"\\" + name;
            SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                DeleteFileW(child.c_str());
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    RemoveDirectoryW(path.c_str());
}

std::string ResName(LPCWSTR value) {
    return IS_INTRESOURCE(value) ? std::to_string(reinterpret_cast<ULONG_PTR>(value)) : Narrow(value);
}

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

TTestFolder::TTestFolder() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    static int counter = 0;
    path_ = Narrow(temp) + "vadrome-test-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(++counter);
    RemoveTree(Widen(path_));
    CreateDirectoryW(Widen(path_).c_str(), nullptr);
}

TTestFolder::~TTestFolder() { RemoveTree(Widen(path_)); }

std::string ReadBytes(const std::string& path) {
    std::ifstream in(Widen(path).c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(Widen(path).c_str(), std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool Exists(const std::string& path) { return GetFileAttributesW(Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

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

std::vector<std::pair<std::string, std::string>> AllResources(const std::string& exe) {
    using TList = std::vector<std::pair<std::string, std::string>>;
    TList all;
    UniqueModule module = LoadAsDataFile(exe);
    auto onLanguage = [](HMODULE m, LPCWSTR type, LPCWSTR name, WORD language, LONG_PTR list) -> BOOL {
        HRSRC info = FindResourceExW(m, type, name, language);
        const void* data = LockResource(LoadResource(m, info));
        reinterpret_cast<TList*>(list)->push_back(
            {ResName(type) + "/" + ResName(name) + "/" + std::to_string(language),
             std::string(static_cast<const char*>(data), SizeofResource(m, info))});
        return TRUE;
    };
    auto onName = [](HMODULE m, LPCWSTR type, LPWSTR name, LONG_PTR list) -> BOOL {
        return EnumResourceLanguagesW(m, type, name, decltype(onLanguage)(), list), TRUE;
    };
    auto onType = [](HMODULE m, LPWSTR type, LONG_PTR list) -> BOOL {
        return EnumResourceNamesW(m, type, decltype(onName)(), list), TRUE;
    };
    EnumResourceTypesW(module.Get(), onType, reinterpret_cast<LONG_PTR>(&all));
    return all;
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
