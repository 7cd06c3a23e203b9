// Stand-in for an external browser named in Browser.ini. It records how it
// was started, and as its settings file asks: fetches the address it was
// given, reports its process id to the runner through the registered message,
// starts a child copy of itself, then stays alive for a while.
//
// Settings: "<exe without .exe>.ini", section [Standin]:
//   LiveMs=2000       how long each process stays (the child: ChildLiveMs)
//   Fetch=1           GET the first http:// address found in the arguments
//   Report=1          report the process id; ReportFor=<browser program path>
//                     names the program the runner started (default: this one)
//   Child=1           start one child copy of itself
// Log: the file named by STANDIN_BROWSER_LOG, else "<exe without .exe>.log";
// one line per fact: "<pid>\t<key>\t<value>".
#include <windows.h>
#include <wincrypt.h>

#include <string>

#include "StandinNet.h"
#include "StandinText.h"
#include "util/Utf.h"

namespace {

constexpr const char* ChildSwitch = "--standin-child";

std::string WithoutExtension(const std::string& path) {
    const auto dot = path.rfind('.');
    const auto slash = path.find_last_of("\\/");
    return dot != std::string::npos && (slash == std::string::npos || dot > slash) ? path.substr(0, dot) : path;
}

class TSettings {
public:
    explicit TSettings(const std::string& file) : file_(Widen(file)) {}
    int Int(const wchar_t* key, int fallback) const {
        return static_cast<int>(GetPrivateProfileIntW(L"Standin", key, fallback, file_.c_str()));
    }
    std::string Text(const wchar_t* key) const {
        wchar_t value[1024] = L"";
        GetPrivateProfileStringW(L"Standin", key, L"", value, 1024, file_.c_str());
        return Narrow(value);
    }

private:
    std::wstring file_;
};

class TLog {
public:
    explicit TLog(std::string file) : file_(std::move(file)), pid_(std::to_string(GetCurrentProcessId())) {}
    void Write(const std::string& key, const std::string& value) const {
        standin::AppendToFile(file_, pid_ + "\t" + key + "\t" + value + "\r\n");
    }

private:
    std::string file_;
    std::string pid_;
};

std::string LogFile(const std::string& exe) {
    wchar_t value[MAX_PATH * 2] = L"";
    if (GetEnvironmentVariableW(L"STANDIN_BROWSER_LOG", value, MAX_PATH * 2) > 0) return Narrow(value);
    return WithoutExtension(exe) + ".log";
}

void ReleaseProvider(HCRYPTPROV provider) { CryptReleaseContext(provider, 0); }
using UniqueProvider = UniqueHandleOf<SimpleHandleTraits<HCRYPTPROV, ReleaseProvider, HCRYPTPROV(0)>>;
using UniqueHash = UniqueHandleOf<SimpleHandleTraits<HCRYPTHASH, CryptDestroyHash, HCRYPTHASH(0)>>;

std::string Md5Hex(const std::string& text) {
    HCRYPTPROV provider = 0;
    if (!CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) return {};
    const UniqueProvider ownedProvider(provider);
    HCRYPTHASH hash = 0;
    if (!CryptCreateHash(provider, CALG_MD5, 0, 0, &hash)) return {};
    const UniqueHash ownedHash(hash);
    BYTE digest[16];
    DWORD size = sizeof digest;
    if (!CryptHashData(hash, reinterpret_cast<const BYTE*>(text.data()), static_cast<DWORD>(text.size()), 0) ||
        !CryptGetHashParam(hash, HP_HASHVAL, digest, &size, 0))
        return {};
    std::string hex;
    const char* digits = "0123456789abcdef";
    for (BYTE b : digest) hex += {digits[b >> 4], digits[b & 15]};
    return hex;
}

// The runner names the message after the browser program's short path in
// upper case, so any process that knows that path can find it.
std::string BrowserMessageName(const std::string& browserPath) {
    wchar_t shortPath[MAX_PATH * 2];
    const DWORD n = GetShortPathNameW(Widen(browserPath).c_str(), shortPath, MAX_PATH * 2);
    std::wstring path = n > 0 && n < MAX_PATH * 2 ? std::wstring(shortPath, n) : Widen(browserPath);
    CharUpperBuffW(path.data(), static_cast<DWORD>(path.size()));
    return Md5Hex(Narrow(path));
}

BOOL CALLBACK PostToMainWindow(HWND window, LPARAM message) {
    wchar_t className[64] = L"";
    GetClassNameW(window, className, 64);
    if (std::wstring_view(className) == L"TfrmMain")
        PostMessageW(window, static_cast<UINT>(message), GetCurrentProcessId(), 0);
    return TRUE;
}

void ReportProcessId(const std::string& browserPath, const TLog& log) {
    const std::string name = BrowserMessageName(browserPath);
    const UINT message = RegisterWindowMessageW(Widen(name).c_str());
    // The broadcast may not reach a hidden, owned main window; posting to it
    // directly covers that, and runners of other programs ignore the id.
    PostMessageW(HWND_BROADCAST, message, GetCurrentProcessId(), 0);
    EnumWindows(PostToMainWindow, static_cast<LPARAM>(message));
    log.Write("reported", name);
}

void FetchFirstAddress(const std::vector<std::string>& args, const TLog& log) {
    for (size_t i = 1; i < args.size(); ++i) {
        const auto at = LowerAscii(args[i]).find("http://");
        if (at == std::string::npos) continue;
        const auto url = standin::ParseHttpUrl(args[i].substr(at));
        if (!url) continue;
        const auto response = standin::HttpRequest(url->Host, url->Port, "GET", url->Path);
        log.Write("fetch", response ? std::to_string(response->Status) : "failed");
        return;
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    const std::string exe = standin::ModulePath();
    const TSettings settings(WithoutExtension(exe) + ".ini");
    const TLog log(LogFile(exe));
    const auto args = standin::CommandLineArgs();
    const bool child = args.size() > 1 && args.back() == ChildSwitch;

    log.Write("role", child ? "child" : "main");
    for (size_t i = 1; i < args.size(); ++i) log.Write("arg", args[i]);

    if (!child) {
        standin::TWinsock winsock;
        if (settings.Int(L"Fetch", 0)) FetchFirstAddress(args, log);
    }
    if (settings.Int(L"Report", 0) && !child) {
        const std::string reportFor = settings.Text(L"ReportFor");
        ReportProcessId(reportFor.empty() ? exe : reportFor, log);
    }
    if (settings.Int(L"Child", 0) && !child) {
        UniqueHandle started = standin::StartHidden(exe, ChildSwitch);
        log.Write("child", started ? std::to_string(GetProcessId(started.Get())) : "failed");
    }
    const int liveMs = settings.Int(L"LiveMs", 2000);
    Sleep(static_cast<DWORD>(child ? settings.Int(L"ChildLiveMs", liveMs) : liveMs));
    log.Write("end", "");
    return 0;
}
