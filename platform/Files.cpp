#include "platform/Files.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace quillet
{
namespace
{
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
}

bool ReadWholeFile(const std::string& path, std::string& contents, bool* missing)
{
    contents.clear();
    if (missing)
        *missing = false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
    {
        if (missing)
            *missing = errno == ENOENT;
        return false;
    }
    // The size is only a hint for the buffer: what the reads return counts.
    struct stat info
    {
    };
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode))
        contents.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[1 << 16];
    bool ok = true;
    for (;;)
    {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            ok = false;
        if (got <= 0)
            break;
        contents.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    if (!ok)
        contents.clear();
    return ok;
}

bool WriteWholeFile(const std::string& path, std::string_view contents)
{
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!file)
        return false;
    if (std::fwrite(contents.data(), 1, contents.size(), file.get()) != contents.size())
        return false;
    return std::fclose(file.release()) == 0;
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

bool ReplaceFileAtomically(const std::string& requested, std::string_view contents)
{
    // A record file that an administrator linked elsewhere is replaced where
    // it really lives, and the link stays.
    std::string path = requested;
    if (char* target = ::realpath(requested.c_str(), nullptr))
    {
        path = target;
        std::free(target);
    }
    const auto slash = path.find_last_of('/');
    const std::string dir =
        slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
    if (!MakeDirectories(dir))
        return false;

    mode_t mode = 0600;
    gid_t group = static_cast<gid_t>(-1);
    struct stat old
    {
    };
    if (::stat(path.c_str(), &old) == 0)
    {
        if (!S_ISREG(old.st_mode))
            return false;
        mode = old.st_mode & 07777;
        group = old.st_gid;
    }

    std::string temp = (dir.empty() ? std::string() : dir + "/") + "." + path.substr(slash + 1) + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return false;
    // A directory shared by a lab's accounts keeps the old file's group;
    // where that is not allowed the file stays the writer's.
    if (group != static_cast<gid_t>(-1))
        (void)::fchown(fd, static_cast<uid_t>(-1), group);
    bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, contents) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (ok)
        ok = ::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok)
    {
        ::unlink(temp.c_str());
        return false;
    }
    SyncDirectory(dir);
    return true;
}
}
