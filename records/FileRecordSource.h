#pragma once

#include <string>

#include "records/RecordSource.h"

namespace quillet
{
// The records of one machine or one lab folder: the record file, the
// responses file beside it, and the journals in its folder and in the
// folder's accounts' journal folders.
class FileRecordSource : public RecordSource
{
  public:
    // The record file's path; or, for its journals alone, the folder they
    // lie in.
    explicit FileRecordSource(std::string where);

    RosterRead Students() override;
    SourceStatus Responses(const CResponseFile::Visitor& visit, int* unreadable = nullptr) override;
    // Named relative to the folder, as "unfinished-....journal" or
    // "journals-<account>/unfinished-....journal"; one that cannot be read
    // (another account's, to anyone but root) is listed unreadable.
    JournalsRead Journals() override;

  private:
    // The folder the journals are listed in.
    std::string JournalFolder() const;
};
}
