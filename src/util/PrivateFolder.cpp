#include "util/PrivateFolder.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <vector>

#include "util/Handles.h"
#include "util/Utf.h"

namespace {

std::vector<BYTE> UserSid() {
    HANDLE rawToken = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &rawToken)) return {};
    const UniqueHandle token(rawToken);
    DWORD size = 0;
    GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    if (size == 0 || !GetTokenInformation(token.Get(), TokenUser, buffer.data(), size, &size)) return {};
    const PSID sid = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
    const auto* bytes = static_cast<const BYTE*>(sid);
    return {bytes, bytes + GetLengthSid(sid)};
}

// Every lookup compares against the same account.
PSID ThisUser() {
    static std::vector<BYTE> sid = UserSid();
    return sid.empty() ? nullptr : sid.data();
}

std::wstring SidText(PSID sid) {
    wchar_t* raw = nullptr;
    if (!sid || !ConvertSidToStringSidW(sid, &raw)) return {};
    const UniqueLocal text(raw);
    return raw;
}

bool IsThisUser(PSID sid) { return sid && ThisUser() && EqualSid(sid, ThisUser()); }

// The accounts that may own what lies in the folder: an administrator or the
// system could read and change it anyway.
bool IsTrustedOwner(PSID sid) {
    return IsThisUser(sid) || IsWellKnownSid(sid, WinLocalSystemSid) ||
           IsWellKnownSid(sid, WinBuiltinAdministratorsSid);
}

// Owner this user, full control for this user, SYSTEM and the administrators,
// handed down to files and folders; nothing inherited from the parent.
struct TPrivateDescriptor {
    UniqueLocal Memory;
    PSECURITY_DESCRIPTOR Get() const { return Memory.Get(); }

    TPrivateDescriptor() {
        const std::wstring user = SidText(ThisUser());
        if (user.empty()) return;
        const std::wstring sddl =
            L"O:" + user + L"D:P(A;OICI;FA;;;" + user + L")(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        if (ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor,
                                                                 nullptr))
            Memory.Reset(descriptor);
    }
};

struct TSecurityRead {
    UniqueLocal Memory;
    PSID Owner = nullptr;
    PACL Dacl = nullptr;
    bool Read = false;

    TSecurityRead(const std::string& path, SECURITY_INFORMATION what) {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        Read = GetNamedSecurityInfoW(Widen(path).c_str(), SE_FILE_OBJECT, what, &Owner, nullptr, &Dacl, nullptr,
                                     &descriptor) == ERROR_SUCCESS;
        Memory.Reset(descriptor);
    }
};

// No entry lets anyone in but the three accounts; a missing DACL lets in everyone.
bool LetsInOnlyTrusted(PACL dacl) {
    if (!dacl) return false;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!GetAce(dacl, i, &ace)) return false;
        const auto* header = static_cast<const ACE_HEADER*>(ace);
        if (header->AceType == ACCESS_DENIED_ACE_TYPE) continue;
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) return false;
        if (!IsTrustedOwner(&static_cast<ACCESS_ALLOWED_ACE*>(ace)->SidStart)) return false;
    }
    return true;
}

std::string AccountName(PSID sid) {
    wchar_t name[256] = L"", domain[256] = L"";
    DWORD nameSize = 256, domainSize = 256;
    SID_NAME_USE use;
    if (!LookupAccountSidW(nullptr, sid, name, &nameSize, domain, &domainSize, &use)) return Narrow(SidText(sid));
    return Narrow(domain[0] ? std::wstring(domain) + L"\\" + name : std::wstring(name));
}

bool IsLinkAttribute(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

}  // namespace

TFolderOwnership InspectFolder(const std::string& path) {
    TFolderOwnership result;
    const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
    result.Exists = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    result.IsLink = IsLinkAttribute(attributes);
    if (!result.Exists || result.IsLink) return result;
    const TSecurityRead security(path, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION);
    if (!security.Read) return result;
    result.Owner = AccountName(security.Owner);
    result.TrustedOwner = IsTrustedOwner(security.Owner);
    result.Private = LetsInOnlyTrusted(security.Dacl);
    return result;
}

bool CreatePrivateFolder(const std::string& path) {
    const TPrivateDescriptor descriptor;
    if (!descriptor.Get()) return false;
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor.Get(), FALSE};
    return CreateDirectoryW(Widen(path).c_str(), &attributes) != FALSE;
}

bool MakeFolderPrivate(const std::string& path) {
    const TPrivateDescriptor descriptor;
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    if (!descriptor.Get() || !GetSecurityDescriptorDacl(descriptor.Get(), &present, &dacl, &defaulted)) return false;
    std::wstring wide = Widen(path);
    return SetNamedSecurityInfoW(wide.data(), SE_FILE_OBJECT,
                                 DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                 dacl, nullptr) == ERROR_SUCCESS;
}

std::string ForeignEntryIn(const std::string& folder) {
    WIN32_FIND_DATAW entry{};
    UniqueFindHandle find(FindFirstFileW(Widen(folder + "\\*").c_str(), &entry));
    for (BOOL more = static_cast<bool>(find); more; more = FindNextFileW(find.Get(), &entry)) {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::string path = folder + "\\" + Narrow(name);
        const TSecurityRead security(path, OWNER_SECURITY_INFORMATION);
        if (IsLinkAttribute(entry.dwFileAttributes) || !security.Read || !IsTrustedOwner(security.Owner))
            return path;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            if (std::string inner = ForeignEntryIn(path); !inner.empty()) return inner;
    }
    return {};
}
