#pragma once

#include <string>

#include "records/PgConnection.h"
#include "records/RecordSource.h"

namespace quillet
{
// A school's records on a PostgreSQL server, read as a teacher reads them:
// through the views granted to quillet_teacher, which carry no password.
class PgRecordSource : public RecordSource
{
  public:
    explicit PgRecordSource(std::string connection);

    RosterRead Students() override;
    SourceStatus Responses(const CResponseFile::Visitor& visit, int* unreadable = nullptr) override;
    // Named "<student>/<journal file name>".
    JournalsRead Journals() override;

    // The roster that two queries give: the first reads names (and
    // passwords), the second a name, a result's nine columns
    // (kResultColumns) and its id, each student's in order. The third, when
    // given, reads a result id, a time and the score a regrade replaced at
    // that time, oldest first. Null when the server cannot be read; `failed`
    // then receives the query that failed.
    static std::unique_ptr<CStudentRoster> ReadRoster(PgConnection& db, const std::string& students,
                                                      const std::string& results, const std::string& regrades,
                                                      PgConnection::Result& failed);
    static constexpr const char* kResultColumns =
        "is_test, is_pretest, title, chapter, graded, date_text, taken, right_answers, total";

  private:
    // A failed call told as the source tells it.
    static SourceStatus Failure(const PgConnection::Result& result);

    PgConnection m_db;
};
}
