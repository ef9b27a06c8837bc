#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/TimeText.h"

// The name every caller gives the record file.
inline constexpr const char* kRecordFileName = "quillet2.blh";

// One graded result.
struct CResultEntry
{
    int m_bTest = 1;    // 1: Test or Pre-Test; 0: chapter quiz
    int m_bPreTest = 0; // 1: Pre-Test
    std::string m_strTitle;
    std::string m_strChapter; // the quiz's chapter name; empty for a test
    quillet::TimeStamp m_timeGraded = 0;
    quillet::TimeSpan m_spanTaken = 0;
    int m_nRight = 0;
    int m_nTotal = 0;
    // The date text as read, kept when it named no valid local time from
    // 1970 on, so that it is written back unchanged.
    std::optional<std::string> m_strDateText;
};

struct CStudentRecord
{
    std::string m_strName;
    std::string m_strPassword;                            // in the clear; the file is only complemented
    std::vector<std::unique_ptr<CResultEntry>> m_results; // oldest first
};

// Every student of the machine with their results, in file order.
class CStudentRoster
{
  public:
    CStudentRoster() = default;
    virtual ~CStudentRoster() = default;
    CStudentRoster(const CStudentRoster&) = delete;
    CStudentRoster& operator=(const CStudentRoster&) = delete;

    // Writes the record file of that name in the record directory: 1 when
    // written, 0 when not (the old file then stays as it was).
    int WriteRoster(const std::string& fileName) const;
    int WriteRosterToPath(const std::string& path) const;

    // Index of the first student of exactly that name, or -1.
    int FindStudent(std::string_view name) const;
    int CheckPassword(std::string_view name, std::string_view password) const;
    // Refuses a name already present, and a name or password holding a line
    // break, which the file could not hold, or a NUL.
    int AddStudent(std::string name, std::string password);
    // Appends to the student's history when the password matches; takes the
    // entry only on success.
    int AddResult(std::string_view name, std::string_view password, std::unique_ptr<CResultEntry>&& entry);

    int GetStudentCount() const { return static_cast<int>(m_students.size()); }
    CStudentRecord* GetStudent(int index) const;
    int GetResultCount(int student) const;
    CResultEntry* GetResult(int student, int result) const;

    // The record text (before the byte complement).
    std::string ComposeRecordText() const;
    // The roster of a record text, or null when it names no student.
    static std::unique_ptr<CStudentRoster> ParseRecordText(std::string_view text);

  private:
    std::vector<std::unique_ptr<CStudentRecord>> m_students;
};

namespace quillet
{
// $QUILLET_RECORD_DIR, else $XDG_DATA_HOME/quillet, else ~/.local/share/quillet.
std::string RecordDirectory();
std::string RecordFilePath(const std::string& fileName);
}

// The roster of the record file of that name in the record directory, or
// null when it cannot be read or holds no student.
std::unique_ptr<CStudentRoster> ReadRoster(const std::string& fileName);
std::unique_ptr<CStudentRoster> ReadRosterFromPath(const std::string& path);
