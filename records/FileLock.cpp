#include "records/FileLock.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>

#include "platform/Folders.h"

namespace quillet
{
FileLock::~FileLock()
{
    if (m_fd >= 0)
        ::close(m_fd); // closing drops the lock
}

FileLock::FileLock(FileLock&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}

FileLock& FileLock::operator=(FileLock&& other) noexcept
{
    if (this != &other)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

FileStatus FileLock::Take(const std::string& path, bool exclusive, int timeoutMs)
{
    if (FileStatus follow = MayFollow(path); !follow)
        return FileStatus::Failed("its lock file " + path + " is a symbolic link of another user");
    const mode_t mode = IsSharedGroupFolder(ParentFolder(path)) ? 0660 : 0600;
    m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, mode);
    if (m_fd < 0 && !exclusive)
    {
        m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (m_fd < 0)
            return {};
    }
    if (m_fd < 0)
        return FileStatus::Failed("its lock file " + path + " cannot be made: " + std::strerror(errno));
    struct stat info
    {
    };
    if (::fstat(m_fd, &info) == 0 && info.st_uid == ::geteuid() && (info.st_mode & 0777) != mode)
        (void)::fchmod(m_fd, mode); // the umask may have taken the group's bits

    struct flock request
    {
    };
    request.l_type = exclusive ? F_WRLCK : F_RDLCK;
    request.l_whence = SEEK_SET;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int command = F_OFD_SETLK;
    for (;;)
    {
        if (::fcntl(m_fd, command, &request) == 0)
            return {};
        if (errno == EINVAL && command == F_OFD_SETLK)
        {
            command = F_SETLK; // a file system without open-file locks
            continue;
        }
        if (errno != EAGAIN && errno != EACCES && errno != EINTR)
            return FileStatus::Failed("it cannot be locked: " + std::string(std::strerror(errno)));
        if (std::chrono::steady_clock::now() >= deadline)
            return FileStatus::Failed("another copy of Quillet kept it locked for " +
                                      std::to_string(timeoutMs / 1000) + " seconds");
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}
}
