#pragma once

#include <string>

#include "platform/Files.h"

namespace quillet
{
// An exclusive or shared open-file lock on a lock file, held until
// destroyed. Open-file locks are honoured by local disks, NFSv4 and SMB
// mounts, and the kernel drops them when their process dies. Two locks of
// one process on the same file exclude each other too.
class FileLock
{
  public:
    FileLock() = default;
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&& other) noexcept;

    // Waits up to `timeoutMs` for the lock. A reader that cannot create the
    // lock file (a folder it may only read) reads without it: the files it
    // guards are only ever replaced whole.
    FileStatus Take(const std::string& path, bool exclusive, int timeoutMs);

  private:
    int m_fd = -1;
};
}
