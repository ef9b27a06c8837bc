#pragma once

#include <string>

#include "records/RecordFile.h"
#include "records/RecordStore.h"

namespace quillet
{
// The record store of one machine or one lab folder: the record file, its
// pending files, and a journal file for each unfinished test, kept in the
// record folder or, where this account may not write there, in its own
// data folder.
class FileRecordStore : public RecordStore
{
  public:
    // The record file in the record folder (quillet::RecordDirectory).
    FileRecordStore();
    explicit FileRecordStore(std::string recordFilePath, int lockTimeoutMs = kRecordLockTimeoutMs);

    const CRecordFile& GetFile() const { return m_file; }

    std::string Name() const override;
    std::string Location() const override;
    Login CheckLogin(const Student& student) override;
    Registering Register(const Student& student) override;
    StoreStatus AddResult(const Student& student, const CResultEntry& result,
                          std::vector<CResultEntry>* results) override;
    StoreStatus KeepPending(const Student& student, const CResultEntry& result, std::string& keptIn) override;
    JournalRead ReadJournal(const JournalKey& key) override;
    StoreStatus KeepJournal(const JournalKey& key, const std::string& text) override;
    void RemoveJournal(const JournalKey& key) override;
    void SetAsideJournal(const JournalKey& key) override;
    std::string JournalLocation() const override;

  private:
    std::string JournalPath(const JournalKey& key) const;

    CRecordFile m_file;
};
}
