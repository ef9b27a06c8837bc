#pragma once

// Setting up and reading back record files in tests, without the lock the
// program takes: a test is the only writer of its record folder.

#include <memory>
#include <string>

#include "course/Complement.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "records/StudentRoster.h"

namespace testrecords
{
// The record file of the record folder.
inline std::string RecordFilePath()
{
    return quillet::RecordDirectory() + "/" + kRecordFileName;
}

// Writes the roster as a record file, replacing the file whole.
inline bool WriteRecordFile(const CStudentRoster& roster, const std::string& path = RecordFilePath())
{
    return quillet::ReplaceFile(path, quillet::Complemented(roster.ComposeRecordText())).ok;
}

// The roster of a record file; null when it cannot be read or names no student.
inline std::unique_ptr<CStudentRoster> ReadRecordFile(const std::string& path = RecordFilePath())
{
    return CStudentRoster::ReadFile(path);
}
}
