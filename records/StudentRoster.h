#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "course/TestKind.h"
#include "platform/TimeText.h"

// The name every caller gives the record file.
inline constexpr const char* kRecordFileName = "quillet2.blh";

// A score that a regrade replaced, and when.
struct CRegrade
{
    quillet::TimeStamp m_timeRegraded = 0;
    int m_nRight = 0; // the score before

    bool operator==(const CRegrade&) const = default;
};

// One graded result.
struct CResultEntry
{
    TestKind m_kind = TestKind::Test;
    // A quiz read with the pre-test line, which some older files hold: written back as read.
    bool m_bQuizMarkedPreTest = false;
    std::string m_strTitle;
    std::string m_strChapter; // the quiz's chapter name; empty for a test
    quillet::TimeStamp m_timeGraded = 0;
    quillet::TimeSpan m_spanTaken = 0;
    int m_nRight = 0;
    int m_nTotal = 0;
    // The date text as read, kept when it named no valid local time from
    // 1970 on, so that it is written back unchanged.
    std::optional<std::string> m_strDateText;
    // The scores it had before each regrade, oldest first; m_nRight is the
    // latest. Kept in g lines, which other readers pass over.
    std::vector<CRegrade> m_regrades;

    // The two flags that record files and the record server store for the kind.
    bool StoredAsTest() const { return m_kind != TestKind::Quiz; }
    bool StoredAsPreTest() const { return m_kind == TestKind::PreTest || m_bQuizMarkedPreTest; }
    void SetStoredKind(bool test, bool preTest)
    {
        m_kind = !test ? TestKind::Quiz : preTest ? TestKind::PreTest : TestKind::Test;
        m_bQuizMarkedPreTest = !test && preTest;
    }
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
    CStudentRoster();
    virtual ~CStudentRoster();
    CStudentRoster(const CStudentRoster&) = delete;
    CStudentRoster& operator=(const CStudentRoster&) = delete;
    CStudentRoster(CStudentRoster&&) noexcept;
    CStudentRoster& operator=(CStudentRoster&&) noexcept;

    // Index of the first student of exactly that name, or -1. A student's
    // name is not to be changed once in the roster: it is looked up by it.
    int FindStudent(std::string_view name) const;
    bool CheckPassword(std::string_view name, std::string_view password) const;
    // Whether a typed password is the one stored: the same text, or, for a
    // stored crypt() hash ("$2a$...", as a record server's export writes
    // them), the text that hashes to it.
    static bool PasswordMatches(std::string_view stored, std::string_view typed);
    // What a password's hash is made of, as the record server makes it: the
    // password, or over 72 bytes the base64 of its SHA-256.
    static std::string PasswordKey(std::string_view password);
    // Whether a stored password is a crypt() hash ("$2a$", "$2b$" or "$2y$")
    // rather than the text itself.
    static bool IsPasswordHash(std::string_view stored);
    // Refuses a name already present, and a name or password holding a line
    // break, which the file could not hold, or a NUL.
    bool AddStudent(std::string name, std::string password);
    // Appends to the student's history when the password matches; takes the
    // entry only on success.
    bool AddResult(std::string_view name, std::string_view password, std::unique_ptr<CResultEntry>&& entry);

    int GetStudentCount() const { return static_cast<int>(m_students.size()); }
    CStudentRecord* GetStudent(int index) const;
    // The student's name alone, without reading his results.
    const std::string& GetName(int index) const;
    int GetResultCount(int student) const;
    CResultEntry* GetResult(int student, int result) const;

    // The record text (before the byte complement), every line written anew.
    std::string ComposeRecordText() const;
    // The record text as a save writes it: the students that nobody looked
    // at since the text was read (GetStudent, GetResult, AddResult) keep
    // their lines as they were, so that a save costs a copy of their bytes;
    // the others are written anew.
    std::string ComposeForSave() const;
    // The roster of a record text, or null when it names no student. A
    // student's results are read from the text when first asked for.
    static std::unique_ptr<CStudentRoster> ParseRecordText(std::string_view text);
    // The same, taking the text over instead of copying it.
    static std::unique_ptr<CStudentRoster> ParseOwnedText(std::string&& text);
    // The roster of a stored record file, read without its lock (a file is
    // only ever replaced whole), or null when it cannot be read or names no
    // student.
    static std::unique_ptr<CStudentRoster> ReadFile(const std::string& path);

  private:
    // Appends the student, the first of its name being the one found.
    void Append(std::unique_ptr<CStudentRecord> student);

    struct NameHash
    {
        using is_transparent = void;
        std::size_t operator()(std::string_view name) const noexcept
        {
            return std::hash<std::string_view>()(name);
        }
    };

    // Reads the results of a student read from text, once.
    void ReadResults(std::size_t index) const;
    // The students written anew: the roster's own, and the others parsed on the way.
    void ComposeStudent(std::string& text, const CStudentRecord& student) const;

    struct DateCache;

    std::vector<std::unique_ptr<CStudentRecord>> m_students;
    // The text a roster was read from, and the lines of each of its
    // students after the u line that are not read yet (empty when they are).
    std::shared_ptr<const std::string> m_pText;
    mutable std::vector<std::string_view> m_unread;
    mutable std::unique_ptr<DateCache> m_pDates;
    // The first student of each name, so that a roster of a million students
    // is not searched from its start for every name.
    std::unordered_map<std::string, int, NameHash, std::equal_to<>> m_firstOfName;
};
