#pragma once

#include <string>

namespace quillet
{
// The marker of the one running copy: an advisory lock on a file, which the
// system gives up the moment its process ends, however it ends. A copy that
// crashed therefore never locks anyone out, whatever it left in the file.
class CInstanceLock
{
  public:
    CInstanceLock() = default;
    ~CInstanceLock();
    CInstanceLock(const CInstanceLock&) = delete;
    CInstanceLock& operator=(const CInstanceLock&) = delete;

    // False when another process holds the lock, or when the file cannot be
    // opened or locked: then Problem() says why. The lock is held until
    // Unlock or destruction.
    bool TryLock(const std::string& path);
    void Unlock();
    // Empty when the lock failed because another copy holds it.
    const std::string& Problem() const { return m_strProblem; }

  private:
    int m_fd = -1;
    std::string m_strProblem;
};
}
