#pragma once

#include <string>

#include "records/RecordFile.h"
#include "records/RecordStore.h"

namespace quillet
{
// The record store of one machine or one lab folder: the record file, its
// pending files, and a journal file for each unfinished test. Journals are
// kept where only this account may write: in the record folder when it is
// the account's own, in a folder of the account's own inside a shared one
// (journals-<account>), else in the account's data folder.
class FileRecordStore : public RecordStore
{
  public:
    // The record file in the record folder (quillet::RecordDirectory).
    FileRecordStore();
    explicit FileRecordStore(std::string recordFilePath, int lockTimeoutMs = kRecordLockTimeoutMs);

    const CRecordFile& GetFile() const { return m_file; }

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

  private:
    Login PendingLogin(const Student& student) const;
    std::string JournalPath(const JournalKey& key) const;

    CRecordFile m_file;
};
}
