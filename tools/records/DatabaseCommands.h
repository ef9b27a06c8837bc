#pragma once

#include <memory>
#include <string>
#include <vector>

#include "records/ResponseFile.h"
#include "records/StudentRoster.h"

// quillet-records db ...: the record server's schema, and moving record
// files in and out of it; and reading it as a teacher does.
namespace quillet
{
// Whether a record source names a server (a libpq URI or a connection
// string such as "service=quillet") rather than a record file.
bool IsDatabase(const std::string& source);

// db init|status|import|export; args are the words after "db". Answers the
// exit status, having said what happened.
int DatabaseCommand(const std::vector<std::string>& args);

// Every student and result of the server as a teacher reads them, through
// views that carry no password (the roster's passwords stay empty); null
// with the reason when the server cannot be read.
std::unique_ptr<CStudentRoster> ReadServerRoster(const std::string& connection, std::string& problem);

// The journals of unfinished tests that the server keeps: the student's
// name and the journal's text, by name.
struct ServerJournal
{
    std::string student;
    std::string key;
    std::string text;
};
std::vector<ServerJournal> ReadServerJournals(const std::string& connection, std::string& problem);

// Every graded test's answers that the server keeps, read through the
// teachers' view and visited one test at a time, in the order they were
// saved; false with the reason when the server cannot be read.
bool ReadServerResponses(const std::string& connection, const CResponseFile::Visitor& visit,
                         std::string& problem);
}
