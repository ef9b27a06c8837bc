#include "app/InstanceLock.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <unistd.h>

namespace quillet
{
CInstanceLock::~CInstanceLock()
{
    Unlock();
}

bool CInstanceLock::TryLock(const std::string& path)
{
    Unlock();
    m_strProblem.clear();
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
    {
        m_strProblem = std::strerror(errno);
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
    {
        if (errno != EWOULDBLOCK)
            m_strProblem = std::strerror(errno);
        ::close(fd);
        return false;
    }
    // For whoever looks: which process holds it.
    const std::string pid = std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd, 0) == 0)
        (void)!::write(fd, pid.data(), pid.size());
    m_fd = fd;
    return true;
}

void CInstanceLock::Unlock()
{
    if (m_fd < 0)
        return;
    ::flock(m_fd, LOCK_UN);
    ::close(m_fd);
    m_fd = -1;
}
}
