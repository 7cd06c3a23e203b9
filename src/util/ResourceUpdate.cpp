#include "util/ResourceUpdate.h"

#include <vector>

#include "util/Utf.h"

namespace {

using TResList = std::vector<TResId>;

BOOL CALLBACK CollectType(HMODULE, LPWSTR type, LONG_PTR list) {
    reinterpret_cast<TResList*>(list)->push_back(TResId::From(type));
    return TRUE;
}

BOOL CALLBACK CollectName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR list) {
    reinterpret_cast<TResList*>(list)->push_back(TResId::From(name));
    return TRUE;
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR list) {
    reinterpret_cast<std::vector<WORD>*>(list)->push_back(language);
    return TRUE;
}

BOOL CALLBACK TakeFirstLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR found) {
    *reinterpret_cast<WORD*>(found) = language;
    return FALSE;
}

std::vector<WORD> LanguagesOf(HMODULE module, LPCWSTR type, LPCWSTR name) {
    std::vector<WORD> languages;
    EnumResourceLanguagesW(module, type, name, CollectLanguage, reinterpret_cast<LONG_PTR>(&languages));
    return languages;
}

bool ReadResource(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language, std::string& data) {
    HRSRC info = FindResourceExW(module, type, name, language);
    if (!info) return false;
    HGLOBAL loaded = LoadResource(module, info);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) return false;
    data.assign(static_cast<const char*>(bytes), SizeofResource(module, info));
    return true;
}

}  // namespace

TResId TResId::From(LPCWSTR value) {
    if (IS_INTRESOURCE(value)) return {static_cast<WORD>(reinterpret_cast<ULONG_PTR>(value)), {}};
    return {0, value};
}

UniqueModule LoadAsDataFile(const std::string& exeFile) {
    return UniqueModule(LoadLibraryExW(Widen(exeFile).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
}

WORD GetResourceLanguage(HMODULE module, LPCWSTR type, LPCWSTR name) {
    WORD language = 0;
    EnumResourceLanguagesW(module, type, name, TakeFirstLanguage, reinterpret_cast<LONG_PTR>(&language));
    return language;
}

std::optional<std::string> ReadRcDataOf(const std::string& exeFile, const std::string& name) {
    const UniqueModule module = LoadAsDataFile(exeFile);
    const WORD neutral = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);
    std::string data;
    if (!module || !ReadResource(module.Get(), RT_RCDATA, Widen(name).c_str(), neutral, data)) return std::nullopt;
    return data;
}

bool TResourceUpdate::Begin(const std::string& exeFile) {
    handle_.Reset(BeginUpdateResourceW(Widen(exeFile).c_str(), TRUE));
    return static_cast<bool>(handle_);
}

bool TResourceUpdate::KeepExisting(HMODULE module) {
    TResList types;
    EnumResourceTypesW(module, CollectType, reinterpret_cast<LONG_PTR>(&types));
    for (const TResId& type : types) {
        TResList names;
        EnumResourceNamesW(module, type.Ptr(), CollectName, reinterpret_cast<LONG_PTR>(&names));
        for (const TResId& name : names) {
            for (WORD language : LanguagesOf(module, type.Ptr(), name.Ptr())) {
                std::string data;
                if (!ReadResource(module, type.Ptr(), name.Ptr(), language, data)) return false;
                kept_[{type, name, language}] = std::move(data);
            }
        }
    }
    return true;
}

bool TResourceUpdate::Update(LPCWSTR type, LPCWSTR name, WORD language, const void* data, DWORD size) {
    kept_.erase({TResId::From(type), TResId::From(name), language});
    if (!data) return true;
    return UpdateResourceW(handle_.Get(), type, name, language, const_cast<void*>(data), size) != FALSE;
}

bool TResourceUpdate::Commit() {
    for (auto& [key, data] : kept_) {
        const auto& [type, name, language] = key;
        if (!UpdateResourceW(handle_.Get(), type.Ptr(), name.Ptr(), language, data.data(),
                             static_cast<DWORD>(data.size())))
            return false;
    }
    return EndUpdateResourceW(handle_.Release(), FALSE) != FALSE;
}
