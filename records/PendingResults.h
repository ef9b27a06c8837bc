#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "records/FileLock.h"
#include "records/RecordSession.h"
#include "records/StudentRoster.h"

namespace quillet
{
// Results that could not reach their store, kept on this machine until
// their student's next save takes them along, for a record file and a
// record server alike. A pending file holds record text; a name may stand
// in it more than once, under different passwords, for the same name typed
// by different people. Only the student whose password the store holds for
// the name gets the results kept under it; the name kept under any other
// password is put aside for the teacher, never merged.
class PendingResults
{
  public:
    struct Place
    {
        std::string path;
        std::string lockPath;
        // In the account's own data folder: read only when the account's own
        // and written for it alone; else in a folder others share.
        bool own = false;
    };
    // Results are kept in the first of `places` that takes them; those put
    // aside go to `refused`.
    PendingResults(std::vector<Place> places, Place refused, int lockTimeoutMs);

    // The student as the results kept here know him: one whose registration
    // could not be written yet logs in with the password he kept them under.
    struct Known
    {
        StoreError error = StoreError::NotHeld; // None, NotHeld or WrongPassword
        std::vector<CResultEntry> results;      // his, when he is known
    };
    Known LoginOf(const Student& student) const;

    // Keeps a result; `keptIn` receives where, or the status says why it could not be kept.
    StoreStatus Keep(const Student& student, const CResultEntry& result, std::string& keptIn) const;

    class Delivery;
    // The results kept under `name`, their files locked until the delivery
    // ends. `heldLock` names a lock file the caller holds already, which is
    // not taken again.
    Delivery Take(const std::string& name, const std::string& heldLock = {}) const;

    const std::string& GetRefusedPath() const { return m_refused.path; }

  private:
    std::vector<Place> m_places;
    Place m_refused;
    int m_nLockTimeoutMs;
};

// One student's pending results on their way into the store.
class PendingResults::Delivery
{
  public:
    Delivery(Delivery&&) noexcept;
    Delivery& operator=(Delivery&&) noexcept;
    ~Delivery();

    // The results the student may bring in, oldest kept first: those kept
    // under a password that `held`, the password the store holds for his
    // name, accepts. The others under his name are to go aside.
    std::vector<CResultEntry> Accept(const std::string& held);

    // Once the first `delivered` of the accepted results are in the store:
    // the rest stay pending, everybody else's stay untouched, and those to
    // go aside go to the refused file, with the accepted ones the store
    // would not take (by their place among the accepted, each below
    // `delivered`). Answers that file's path when something went there.
    std::string Finish(std::size_t delivered = kAll, const std::vector<std::size_t>& notTaken = {});
    static constexpr std::size_t kAll = static_cast<std::size_t>(-1);

    // Whether results under his name with another password are to go aside.
    bool AnyUnderOtherPassword() const;
    // Pending files that did not read: each moved aside (its new path) or,
    // when it could not be, left where it was (its path), never deleted.
    const std::vector<std::string>& Unreadable() const { return m_unreadable; }

  private:
    friend class PendingResults;
    struct Kept;
    explicit Delivery(const PendingResults& owner);

    const PendingResults* m_pOwner;
    std::string m_strName;
    std::string m_strHeldLock;
    std::vector<FileLock> m_locks;
    std::vector<std::unique_ptr<Kept>> m_kept; // one for each place read
    std::vector<std::string> m_unreadable;
};
}
