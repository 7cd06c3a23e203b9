// The work folder: refused when someone else could have made or filled it,
// and the copies a CD-ROM start makes in it.
#include <windows.h>

#include "server/Runner.h"
#include "server/ServerText.h"
#include "util/Errors.h"
#include "util/PrivateFolder.h"
#include "util/ShellKit.h"
#include "util/Utf.h"

namespace {

[[noreturn]] void Refuse(TWorkFolderFault fault, const std::string& folder, const std::string& detail = {}) {
    throw Exception(WorkFolderFaultText(fault, folder, detail));
}

void MoveFolder(const std::string& from, const std::string& to) {
    if (!MoveFileW(Widen(from).c_str(), Widen(to).c_str()))
        throw Exception("The folder " + from + " could not be moved to " + to);
}

}  // namespace

// Its name can be worked out and every local user may create in its parent:
// one made or filled by someone else could feed our servers settings or read
// the copied database.
void TRunner::CheckWorkFolder() {
    const TFolderOwnership folder = InspectFolder(WorkDir);
    if (folder.IsLink) Refuse(TWorkFolderFault::Link, WorkDir);
    if (!folder.Exists) Refuse(TWorkFolderFault::Missing, WorkDir);
    if (!folder.TrustedOwner)
        Refuse(TWorkFolderFault::ForeignOwner, WorkDir, folder.Owner.empty() ? "unknown" : folder.Owner);
    if (folder.Private) return;
    // Left open to every user by an earlier runner: closed first, so nothing comes in after the
    // look; what others had put in it is refused.
    if (!MakeFolderPrivate(WorkDir)) Refuse(TWorkFolderFault::NotPrivate, WorkDir);
    if (const std::string entry = ForeignEntryIn(WorkDir); !entry.empty())
        Refuse(TWorkFolderFault::ForeignEntry, WorkDir, entry);
}

// Copied whole, and only when the work folder holds no copy of this disc and
// edition: the site and the database change their copies, and the disc's
// files copied over them would mix two states of the database's files. The
// copy is made beside the old one and put in its place; the old one is kept
// as "<name>.previous". The stamp is written before the new copy goes in, so
// a start cut short anywhere copies again and never throws away the old copy.
std::string TRunner::CopyFromDisc(const std::string& name) {
    const std::string source = TShellKit::GetAppPath() + name;
    const std::string copy = WorkDir + "\\" + name;
    const std::string stampFile = copy + ".copied";
    const std::string stamp =
        DiscCopyStamp(TShellKit::GetVolumeSerial(source), TShellKit::NewestWriteTime(source));
    if (TShellKit::DirectoryExists(copy) && TShellKit::FileExists(stampFile) &&
        TShellKit::ReadFileText(stampFile) == stamp)
        return copy;

    const std::string staging = copy + ".new";
    TShellKit::DeleteFolder(staging);
    if (!TShellKit::ForceDirectories(staging) || !TShellKit::CopyFolderChecked(source, staging) ||
        !TShellKit::ForEachFileRecursive(staging + "\\" + name, false))
        throw Exception("The folder " + source + " could not be copied to " + staging);
    if (TShellKit::DirectoryExists(copy)) {
        const std::string previous = copy + ".previous";
        TShellKit::DeleteFolder(previous);
        MoveFolder(copy, previous);
    }
    TShellKit::WriteFileAtomic(stampFile, stamp);
    MoveFolder(staging + "\\" + name, copy);
    TShellKit::DeleteFolder(staging);
    return copy;
}
