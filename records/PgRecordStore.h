#pragma once

#include <string>

#include "records/PgConnection.h"
#include "records/RecordStore.h"

namespace quillet
{
// The record store of a school: a PostgreSQL server that every lab machine
// reaches as quillet_student, which may only call the functions that check
// the student's own name and password. A result that cannot be sent is kept
// on this machine, in the account's own pending file, and goes with the
// student's next saved result; a journal lives on the server, so a test left
// on one machine is continued on any other.
class PgRecordStore : public RecordStore
{
  public:
    explicit PgRecordStore(std::string connection);

    std::string Location() const override;
    std::string Unavailable(const std::string& reason) const override;
    Login CheckLogin(const Student& student) override;
    Registering Register(const Student& student) override;
    Saved AddResult(const Student& student, const CResultEntry& result,
                    const ResultAnswers& answers) override;
    StoreStatus KeepPending(const Student& student, const CResultEntry& result, std::string& keptIn) override;
    JournalRead ReadJournal(const JournalKey& key) override;
    StoreStatus KeepJournal(const JournalKey& key, const std::string& text) override;
    void RemoveJournal(const JournalKey& key) override;
    void SetAsideJournal(const JournalKey& key) override;
    std::string JournalLocation() const override;

    // Where results wait on this machine while the server is away.
    static std::string PendingPath();
    // The key under which the server stores a result once, however often it
    // is sent.
    static std::string ResultKey(const std::string& student, const CResultEntry& result);
    // A result of the server's nine columns (is_test ... total) from `first` on.
    static CResultEntry ResultOf(const PgConnection::Row& row, std::size_t first = 0);

  private:
    // The session of the student, opened (or, for a name nobody holds yet,
    // registered) when there is none for him.
    StoreStatus OpenSession(const Student& student);
    // A call for the session's student; a session the server ended is opened
    // again once.
    PgConnection::Result Call(const Student& student, const std::string& sql, PgConnection::Row parameters);
    // Sends one result with the answers behind it (none for a result kept
    // pending); `results`, when given, receives the student's results.
    StoreStatus Send(const Student& student, const CResultEntry& result, const ResultAnswers& answers,
                     std::vector<CResultEntry>* results = nullptr);
    static std::vector<CResultEntry> ResultsOf(const PgConnection::Result& read);
    // Sends the student's results kept on this machine; those kept under his
    // name with another password go aside, and the answer says where.
    std::string SendPending(const Student& student, StoreStatus& status);
    Login PendingLogin(const Student& student) const;
    std::vector<CResultEntry> History(const Student& student, StoreStatus& status);

    PgConnection m_db;
    // The student logged in, and his session.
    Student m_student;
    std::string m_strSession;
};
}
