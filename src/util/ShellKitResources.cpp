// TShellKit: resource stamping of another executable.
#include "util/ShellKit.h"

#include "util/IconUpdate.h"
#include "util/ResourceUpdate.h"
#include "util/Guard.h"
#include "util/Utf.h"

namespace {

bool StampRcData(const std::string& exeFile, const std::string& name, const std::string& data) {
    TResourceUpdate update;
    if (!update.Begin(exeFile)) return false;
    {
        UniqueModule module = LoadAsDataFile(exeFile);
        if (!module || !update.KeepExisting(module.Get())) return false;
    }
    const std::wstring wideName = Widen(name);
    return update.Update(RT_RCDATA, wideName.c_str(), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), data.data(),
                         static_cast<DWORD>(data.size())) &&
           update.Commit();
}

}  // namespace

// Fails silently: the result tells, and the target is left as it was.
bool TShellKit::WriteRcDataResource(const std::string& exeFile, const std::string& name,
                                    const std::string& data) {
    bool committed = false;
    Guarded([&] { committed = SetReadOnlyAttribute(exeFile, false) && StampRcData(exeFile, name, data); });
    return committed;
}

void TShellKit::ReplaceExeIcon(const std::string& exeFile, const std::string& iconFile) {
    if (SetReadOnlyAttribute(exeFile, false)) UpdateIcons(exeFile, iconFile);
}
