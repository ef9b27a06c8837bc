#pragma once

#include <memory>
#include <string>

#include "records/PgConnection.h"
#include "records/RecordStore.h"

namespace quillet
{
// The record store of a school: a PostgreSQL server that every lab machine
// reaches as a member of quillet_student, which may only call the functions that check
// the student's own name and password. A result that cannot be sent is kept
// on this machine, in the account's own pending file, and goes with the
// student's next saved result; a journal lives on the server, so a test left
// on one machine is continued on any other.
class PgRecordStore : public RecordStore
{
  public:
    // `password`, when given, is the machine's own (MachineCredential).
    explicit PgRecordStore(std::string connection, std::string password = {});

    std::string Place() const override;
    Login LogIn(const Student& student) override;
    Login Register(const Student& student) override;
    const PendingResults& Pending() const override { return m_pending; }

    // Where results wait on this machine while the server is away.
    static std::string PendingPath();
    // The key under which the server stores a result once, however often it
    // is sent.
    static std::string ResultKey(const std::string& student, const CResultEntry& result);
    // A result of the server's nine columns (is_test ... total) from `first` on.
    static CResultEntry ResultOf(const PgConnection::Row& row, std::size_t first = 0);
    static std::vector<CResultEntry> ResultsOf(const PgConnection::Result& read);

  private:
    class Session;
    // What login and register answer: the status column and the session's token.
    struct Answer
    {
        StoreStatus status;
        std::string token;
    };
    static Answer Ask(PgConnection& db, const char* function, const Student& student);

    // Shared with the sessions, which may outlive the store object.
    std::shared_ptr<PgConnection> m_pDb;
    PendingResults m_pending;
};
}
