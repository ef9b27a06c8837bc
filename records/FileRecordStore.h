#pragma once

#include <memory>
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

    std::string Place() const override;
    Login LogIn(const Student& student) override;
    Login Register(const Student& student) override;
    const PendingResults& Pending() const override { return m_pending; }

    // The folder of this account's journals beside the record file, made
    // when missing.
    std::string JournalFolder() const;

  private:
    class Session;
    Login Open(const Student& student, std::vector<CResultEntry> results);

    CRecordFile m_file;
    PendingResults m_pending;
};
}
