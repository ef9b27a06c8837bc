#pragma once

#include <memory>
#include <string>
#include <vector>

#include "records/ResponseFile.h"
#include "records/SourceStatus.h"
#include "records/StudentRoster.h"

namespace quillet
{
// The journal of an unfinished test as a teacher finds it: named as the
// store knows it, and its text when it could be read.
struct UnfinishedJournal
{
    std::string name;
    std::string text;
    bool readable = false;
};

// Whether `where` names a record server (a libpq URI, or a connection
// string such as "service=quillet") rather than a record file.
bool NamesRecordServer(const std::string& where);

// A class's records as a teacher reads them: the students with their
// results, the answers behind the results and the journals of unfinished
// tests, from a record file or from a record server. Nothing is written.
class RecordSource
{
  public:
    virtual ~RecordSource() = default;

    // A record server when `where` names one (a libpq URI, or a connection
    // string such as "service=quillet"), else the record file at `where`.
    static std::unique_ptr<RecordSource> Open(const std::string& where);

    // The place as it was named to Open.
    const std::string& Where() const { return m_strWhere; }

    struct RosterRead
    {
        SourceStatus status;
        std::unique_ptr<CStudentRoster> roster; // never null unless the status failed
    };
    // Every student with his results, oldest first; a server gives no
    // passwords. A source without students fails with NoStudents.
    virtual RosterRead Students() = 0;

    // Every graded test's answers, one test at a time, in the order they
    // were saved; `unreadable` receives how many parts did not read.
    virtual SourceStatus Responses(const CResponseFile::Visitor& visit, int* unreadable = nullptr) = 0;

    struct JournalsRead
    {
        SourceStatus status;
        std::vector<UnfinishedJournal> journals; // by name
    };
    virtual JournalsRead Journals() = 0;

  protected:
    explicit RecordSource(std::string where) : m_strWhere(std::move(where)) {}

  private:
    std::string m_strWhere;
};
}
