// Paths and files of the Linux edition. Paths are bytes; the UTF-8 the shared
// rules use is the file system's encoding here.
#pragma once
#include <optional>
#include <string>

#include "util/EmbeddedData.h"

namespace LinuxFiles {

std::string ExeFileName();                 // the running executable, symlinks resolved
std::string DirectoryOf(const std::string& path);  // without the final slash
std::string LoginName();                   // of the effective user
std::string StateHome();                   // $XDG_STATE_HOME, else ~/.local/state

bool FileExists(const std::string& path);  // anything but a folder
bool DirectoryExists(const std::string& path);
// Throws Exception naming the file.
std::string ReadFile(const std::string& path);
// Written beside the file and renamed over it, so a reader never sees half of it.
// durable: on the disk before it takes the file's place (an executable).
void WriteFileReplacing(const std::string& path, const std::string& bytes, unsigned mode = 0600, bool durable = false);
void RemoveFile(const std::string& path);  // a missing file is no error

// Creates the folder and its parents; the folder itself ends up ours alone
// (0700). Throws Exception when it is a symlink or belongs to someone else.
void EnsurePrivateFolder(const std::string& path);

// The data appended after the executable's image; empty when it has none.
TEmbeddedData ReadEmbeddedData(const std::string& exePath);

// One entry of it; none when it is missing or the data cannot be read.
std::optional<std::string> ReadEmbeddedEntry(const std::string& exePath, const std::string& name);

// The executable's entry of that name replaced (or added), the rest kept:
// written beside it and renamed into place, its mode kept. Throws Exception
// when the file carries no embedded data (it is not a runner).
void StampEmbeddedEntry(const std::string& exePath, const std::string& name, const std::string& bytes);

}  // namespace LinuxFiles
