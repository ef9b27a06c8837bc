#include "platform/Files.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillet
{
namespace
{
std::string ErrorText(int error)
{
    return std::strerror(error);
}

const char* KindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return "a folder";
    if (S_ISFIFO(mode))
        return "a FIFO";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "a device";
    if (S_ISSOCK(mode))
        return "a socket";
    return "not a regular file";
}

FileStatus NotRegular(mode_t mode)
{
    return FileStatus::Failed(std::string("it is ") + KindOf(mode) + ", not a regular file");
}

bool WriteAll(int fd, std::string_view contents)
{
    while (!contents.empty())
    {
        const ssize_t written = ::write(fd, contents.data(), contents.size());
        if (written < 0)
        {
            if (errno == EINTR)
                continue;
            return false;
        }
        contents.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

void SyncDirectory(const std::string& dir)
{
    const int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0)
    {
        ::fsync(fd);
        ::close(fd);
    }
}

// mkstemp's six characters after ".<name>.".
bool IsTemporaryOf(const std::string& entry, const std::string& name)
{
    const std::string prefix = "." + name + ".";
    return entry.size() == prefix.size() + 6 && entry.compare(0, prefix.size(), prefix) == 0;
}
}

FileStatus MayFollow(const std::string& path)
{
    struct stat link
    {
    };
    if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode))
        return {};
    if (link.st_uid == ::geteuid() || link.st_uid == 0)
        return {};
    return FileStatus::Failed("it is a symbolic link that belongs to another user");
}

namespace
{
// Whose file may be read: anybody's, this account's own, or root's that
// nobody else may change. The last two are never read through a link.
enum class Keeper
{
    Anyone,
    Self,
    Root,
};

FileStatus ReadFile(const std::string& path, std::string& contents, std::size_t limit, Keeper keeper)
{
    const bool noLink = keeper != Keeper::Anyone;
    contents.clear();
    // Non-blocking, so that opening a FIFO without a writer returns at once.
    const int fd =
        ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | (noLink ? O_NOFOLLOW : 0));
    if (fd < 0)
    {
        const int error = errno;
        if (error == ELOOP && noLink)
            return FileStatus::Failed("it is a symbolic link");
        // A path through a file names no file either.
        return FileStatus::Failed(ErrorText(error), error == ENOENT || error == ENOTDIR);
    }
    struct stat info
    {
    };
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
    {
        FileStatus refused = NotRegular(info.st_mode);
        ::close(fd);
        return refused;
    }
    if (keeper == Keeper::Self && info.st_uid != ::geteuid())
    {
        ::close(fd);
        return FileStatus::Failed("it belongs to another account");
    }
    if (keeper == Keeper::Root && info.st_uid != 0)
    {
        ::close(fd);
        return FileStatus::Failed("it is not root's own file");
    }
    if (keeper == Keeper::Root && (info.st_mode & (S_IWGRP | S_IWOTH)) != 0)
    {
        ::close(fd);
        return FileStatus::Failed("others than root may change it");
    }
    if (static_cast<unsigned long long>(info.st_size) > limit)
    {
        ::close(fd);
        return FileStatus::Failed("it is too large (" + std::to_string(info.st_size) + " bytes)");
    }
    // Read straight into the buffer, in one call when the size holds; the
    // size is only a hint, what the reads return counts.
    ReserveLarge(contents, static_cast<std::size_t>(info.st_size) + 1);
    contents.resize(static_cast<std::size_t>(info.st_size) + 1);
    std::size_t got = 0;
    for (;;)
    {
        if (got == contents.size())
        {
            if (contents.size() > limit)
            {
                ::close(fd);
                contents.clear();
                return FileStatus::Failed("it is too large");
            }
            contents.resize(contents.size() * 2);
        }
        const ssize_t read = ::read(fd, contents.data() + got, contents.size() - got);
        if (read < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (read < 0)
        {
            const int error = errno;
            ::close(fd);
            contents.clear();
            return FileStatus::Failed(ErrorText(error));
        }
        if (read == 0)
            break;
        got += static_cast<std::size_t>(read);
    }
    contents.resize(got);
    if (contents.size() > limit)
    {
        ::close(fd);
        contents.clear();
        return FileStatus::Failed("it is too large");
    }
    ::close(fd);
    return {};
}
}

void ReserveLarge(std::string& text, std::size_t size)
{
    constexpr std::size_t kHugePage = 2u << 20;
    text.reserve(size);
    if (text.capacity() < 2 * kHugePage)
        return;
    // Only whole huge pages inside the buffer, and only before they are touched.
    const auto start = reinterpret_cast<std::uintptr_t>(text.data() + text.size());
    const std::uintptr_t first = (start + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t last =
        (reinterpret_cast<std::uintptr_t>(text.data()) + text.capacity()) & ~(kHugePage - 1);
    if (last > first)
        (void)::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

FileStatus ReadRegularFile(const std::string& path, std::string& contents, std::size_t limit)
{
    return ReadFile(path, contents, limit, Keeper::Anyone);
}

FileStatus ReadOwnFile(const std::string& path, std::string& contents, std::size_t limit)
{
    return ReadFile(path, contents, limit, Keeper::Self);
}

FileStatus ReadRootFile(const std::string& path, std::string& contents, std::size_t limit)
{
    return ReadFile(path, contents, limit, Keeper::Root);
}

bool ReadWholeFile(const std::string& path, std::string& contents, bool* missing)
{
    const FileStatus status = ReadRegularFile(path, contents);
    if (missing)
        *missing = status.missing;
    return status.ok;
}

bool MakeDirectories(const std::string& dir)
{
    if (dir.empty())
        return true;
    struct stat info
    {
    };
    if (::stat(dir.c_str(), &info) == 0)
        return S_ISDIR(info.st_mode);
    const auto slash = dir.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !MakeDirectories(dir.substr(0, slash)))
        return false;
    return ::mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST;
}

std::string ParentFolder(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

FileStatus MakePrivateFolder(const std::string& dir)
{
    if (!MakeDirectories(dir))
        return FileStatus::Failed("the folder " + dir + " cannot be made: " + ErrorText(errno));
    struct stat info
    {
    };
    if (::lstat(dir.c_str(), &info) != 0)
        return FileStatus::Failed(ErrorText(errno));
    if (!S_ISDIR(info.st_mode))
        return FileStatus::Failed("the folder " + dir + " is not a folder of its own");
    if (info.st_uid != ::geteuid())
        return FileStatus::Failed("the folder " + dir + " belongs to another account");
    // A folder of this account's that others may enter is closed again.
    if ((info.st_mode & 077) != 0 && ::chmod(dir.c_str(), 0700) != 0)
        return FileStatus::Failed("the folder " + dir + " cannot be made private: " + ErrorText(errno));
    return {};
}

bool IsOpenToOthers(const std::string& dir)
{
    struct stat info
    {
    };
    return ::stat(dir.c_str(), &info) != 0 || info.st_uid != ::geteuid() || (info.st_mode & 022) != 0;
}

bool IsSharedGroupFolder(const std::string& dir)
{
    struct stat info
    {
    };
    return ::stat(dir.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && (info.st_mode & S_ISGID) &&
           (info.st_mode & S_IWGRP);
}

void RemoveStaleTemporaryFiles(const std::string& dir, const std::string& name, int minAgeSeconds)
{
    DIR* folder = ::opendir(dir.c_str());
    if (!folder)
        return;
    const std::time_t now = std::time(nullptr);
    while (const dirent* entry = ::readdir(folder))
    {
        if (!IsTemporaryOf(entry->d_name, name))
            continue;
        struct stat info
        {
        };
        if (::fstatat(::dirfd(folder), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(info.st_mode) && info.st_uid == ::geteuid() && now - info.st_mtime >= minAgeSeconds)
            ::unlinkat(::dirfd(folder), entry->d_name, 0);
    }
    ::closedir(folder);
}

FileStatus ReplaceFile(const std::string& requested, std::string_view contents, bool ownerOnly)
{
    // A file that its owner linked elsewhere is replaced where it really
    // lives, and the link stays; a link planted by anyone else is refused.
    if (FileStatus follow = MayFollow(requested); !follow)
        return follow;
    std::string path = requested;
    if (char* target = ::realpath(requested.c_str(), nullptr))
    {
        path = target;
        std::free(target);
    }
    const auto slash = path.find_last_of('/');
    const std::string dir =
        slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
    const std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
    if (!MakeDirectories(dir))
        return FileStatus::Failed("the folder " + dir + " cannot be created: " + ErrorText(errno));

    const bool shared = !ownerOnly && IsSharedGroupFolder(dir.empty() ? "." : dir);
    mode_t mode = shared ? 0660 : 0600;
    gid_t group = static_cast<gid_t>(-1);
    struct stat old
    {
    };
    if (::lstat(path.c_str(), &old) == 0)
    {
        if (!S_ISREG(old.st_mode))
            return NotRegular(old.st_mode);
        // An owner-only file stays owner-only, whatever mode the file it
        // replaces was given.
        if (!ownerOnly)
        {
            mode = old.st_mode & 07777;
            group = old.st_gid;
        }
    }

    RemoveStaleTemporaryFiles(dir.empty() ? "." : dir, name);
    std::string temp = (dir.empty() ? std::string() : dir + "/") + "." + name + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return FileStatus::Failed("no file can be made in " + (dir.empty() ? std::string(".") : dir) + ": " +
                                  ErrorText(errno));
    // A folder shared by a lab's accounts keeps the old file's group; where
    // that is not allowed the file stays the writer's.
    if (group != static_cast<gid_t>(-1))
        (void)::fchown(fd, static_cast<uid_t>(-1), group);
    int error = 0;
    if (::fchmod(fd, mode) != 0 || !WriteAll(fd, contents) || ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(temp.c_str(), path.c_str()) != 0)
        error = errno;
    if (error != 0)
    {
        ::unlink(temp.c_str());
        return FileStatus::Failed(ErrorText(error));
    }
    SyncDirectory(dir);
    return {};
}

FileStatus RemoveFile(const std::string& path)
{
    if (::unlink(path.c_str()) != 0 && errno != ENOENT)
        return FileStatus::Failed(ErrorText(errno));
    return {};
}

FileStatus RenameFile(const std::string& from, const std::string& to)
{
    if (::rename(from.c_str(), to.c_str()) != 0)
        return FileStatus::Failed(ErrorText(errno), errno == ENOENT);
    return {};
}

FileStatus RenameAside(const std::string& path, const std::string& suffix, std::string* keptAs)
{
    constexpr int kMostTries = 10'000;
    for (int n = 1; n <= kMostTries; ++n)
    {
        const std::string aside = path + suffix + (n > 1 ? "-" + std::to_string(n) : std::string());
        // Never over a file kept aside before.
        if (::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, aside.c_str(), RENAME_NOREPLACE) == 0)
        {
            if (keptAs)
                *keptAs = aside;
            return {};
        }
        if (errno == EEXIST)
            continue;
        if (errno != EINVAL && errno != ENOSYS)
            return FileStatus::Failed(ErrorText(errno), errno == ENOENT);
        // A file system without it: a new link fails where the name is taken.
        if (::link(path.c_str(), aside.c_str()) == 0)
        {
            ::unlink(path.c_str());
            if (keptAs)
                *keptAs = aside;
            return {};
        }
        if (errno != EEXIST)
            return FileStatus::Failed(ErrorText(errno), errno == ENOENT);
    }
    return FileStatus::Failed("every name for it is taken");
}

std::string ClaimUnusedName(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
    const std::string stem = hasExtension ? path.substr(0, dot) : path;
    const std::string extension = hasExtension ? path.substr(dot) : std::string();
    constexpr int kMostTries = 10'000;
    for (int n = 1; n <= kMostTries; ++n)
    {
        std::string name = path;
        if (n > 1)
        {
            name = stem;
            name += '-';
            name += std::to_string(n);
            name += extension;
        }
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (fd >= 0)
        {
            ::close(fd);
            return name;
        }
        if (errno != EEXIST)
            break;
    }
    return path;
}
}
