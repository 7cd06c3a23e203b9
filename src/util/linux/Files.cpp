#include "util/linux/Files.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "util/Errors.h"
#include "util/linux/Fd.h"

namespace LinuxFiles {

namespace {

[[noreturn]] void ThrowFileError(const std::string& what, const std::string& path) {
    const int error = errno;
    throw EFileError(what + " " + path + ": " + std::strerror(error), static_cast<unsigned>(error));
}

void WriteAll(int fd, const char* data, size_t size, const std::string& path) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) ThrowFileError("Unable to write to", path);
        data += written;
        size -= static_cast<size_t>(written);
    }
}

std::string ReadRange(int fd, off_t offset, size_t length, const std::string& path) {
    std::string bytes(length, '\0');
    size_t done = 0;
    while (done < length) {
        const ssize_t got = ::pread(fd, bytes.data() + done, length - done, offset + static_cast<off_t>(done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) ThrowFileError("Unable to read", path);
        done += static_cast<size_t>(got);
    }
    return bytes;
}

}  // namespace

std::string ExeFileName() {
    char buffer[4096];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof(buffer));
    if (length <= 0 || static_cast<size_t>(length) >= sizeof(buffer))
        ThrowFileError("Unable to read", "/proc/self/exe");
    return std::string(buffer, static_cast<size_t>(length));
}

std::string DirectoryOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string LoginName() {
    if (const passwd* entry = ::getpwuid(::geteuid()); entry && entry->pw_name) return entry->pw_name;
    return std::to_string(::geteuid());
}

std::string StateHome() {
    // Relative values are to be ignored, as the base directory rules say.
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && state[0] == '/') return state;
    const char* home = std::getenv("HOME");
    std::string base = home && home[0] == '/' ? home : "";
    if (base.empty())
        if (const passwd* entry = ::getpwuid(::geteuid()); entry && entry->pw_dir) base = entry->pw_dir;
    return base + "/.local/state";
}

bool FileExists(const std::string& path) {
    struct stat info{};
    return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool DirectoryExists(const std::string& path) {
    struct stat info{};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string ReadFile(const std::string& path) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) ThrowFileError("Unable to open", path);
    // Read to the end: files of /proc report no size.
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd.Get(), buffer, sizeof(buffer));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) ThrowFileError("Unable to read", path);
        if (got == 0) return bytes;
        bytes.append(buffer, static_cast<size_t>(got));
    }
}

void WriteFileReplacing(const std::string& path, const std::string& bytes, unsigned mode, bool durable) {
    const std::string temporary = path + ".new";
    {
        UniqueFd fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, mode));
        if (!fd) ThrowFileError("Unable to create", temporary);
        try {
            WriteAll(fd.Get(), bytes.data(), bytes.size(), temporary);
        } catch (...) {
            ::unlink(temporary.c_str());  // a full disc keeps no half copy
            throw;
        }
        // The mode as asked, whatever the umask took away.
        if (::fchmod(fd.Get(), mode) != 0 || (durable && ::fsync(fd.Get()) != 0)) {
            const int error = errno;
            ::unlink(temporary.c_str());
            errno = error;
            ThrowFileError("Unable to write to", temporary);
        }
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        errno = error;
        ThrowFileError("Unable to replace", path);
    }
}

void RemoveFile(const std::string& path) {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) ThrowFileError("Unable to remove", path);
}

void EnsurePrivateFolder(const std::string& path) {
    for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
        ::mkdir(path.substr(0, slash).c_str(), 0700);
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) ThrowFileError("Unable to create the folder", path);
    struct stat info{};
    if (::lstat(path.c_str(), &info) != 0) ThrowFileError("Unable to read", path);
    if (S_ISLNK(info.st_mode) || !S_ISDIR(info.st_mode))
        throw Exception("The work folder " + path + " is not a folder of its own (a link or a file)");
    if (info.st_uid != ::geteuid())
        throw Exception("The work folder " + path + " belongs to another user");
    if ((info.st_mode & 0777) != 0700 && ::chmod(path.c_str(), 0700) != 0)
        ThrowFileError("Unable to make private", path);
}

TEmbeddedData ReadEmbeddedData(const std::string& exePath) {
    UniqueFd fd(::open(exePath.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) ThrowFileError("Unable to open", exePath);
    struct stat info{};
    if (::fstat(fd.Get(), &info) != 0) ThrowFileError("Unable to read", exePath);
    const auto size = static_cast<std::uint64_t>(info.st_size);
    if (size < EmbeddedTrailerSize) return {};
    const auto trailer =
        ParseEmbeddedTrailer(ReadRange(fd.Get(), static_cast<off_t>(size - EmbeddedTrailerSize), EmbeddedTrailerSize, exePath));
    if (!trailer) return {};
    if (trailer->EntriesLength > size - EmbeddedTrailerSize) throw Exception("The embedded data of " + exePath + " is damaged");
    const std::uint64_t start = size - EmbeddedTrailerSize - trailer->EntriesLength;
    return ParseEmbeddedEntries(
        ReadRange(fd.Get(), static_cast<off_t>(start), static_cast<size_t>(trailer->EntriesLength), exePath), *trailer);
}

std::optional<std::string> ReadEmbeddedEntry(const std::string& exePath, const std::string& name) {
    try {
        TEmbeddedData data = ReadEmbeddedData(exePath);
        if (const auto found = data.find(name); found != data.end()) return std::move(found->second);
    } catch (...) {
    }
    return std::nullopt;
}

void StampEmbeddedEntry(const std::string& exePath, const std::string& name, const std::string& bytes) {
    const std::string file = ReadFile(exePath);
    const auto trailer = ParseEmbeddedTrailer(file);
    if (!trailer || trailer->EntriesLength > file.size() - EmbeddedTrailerSize)
        throw Exception("\"" + exePath + "\" is not a runner: it carries no embedded data to replace");
    const size_t start = file.size() - EmbeddedTrailerSize - trailer->EntriesLength;
    TEmbeddedData data = ParseEmbeddedEntries(std::string_view(file).substr(start, trailer->EntriesLength), *trailer);
    data[name] = bytes;
    struct stat info{};
    if (::stat(exePath.c_str(), &info) != 0) ThrowFileError("Unable to read", exePath);
    WriteFileReplacing(exePath, file.substr(0, start) + BuildEmbeddedPayload(data), info.st_mode & 07777, true);
}

}  // namespace LinuxFiles
