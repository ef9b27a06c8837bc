#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "course/Response.h"
#include "course/TestRun.h"
#include "platform/Files.h"

namespace quillet
{
// The answers behind one graded result, for the question statistics.
struct ResponseRecord
{
    std::string student;
    TestKind kind = TestKind::Test;
    std::string course;
    std::string quizChapter; // the quiz's chapter name; empty for a test
    TimeStamp graded = 0;
    BankIdentity bank;
    std::vector<Response> responses;

    bool operator==(const ResponseRecord&) const = default;
};

// quillet2.responses beside the record file: the answers of every graded
// test, appended as each result is saved. Plain text, one block a test:
//   t GRADED KIND STUDENT COURSE CHAPTER BANK-SIZE BANK-HASH BANK-PATH
//   r CHAPTER QUESTION ANSWER RIGHT FLAGGED ANSWER-KEY   (a line a question, in test order)
// fields after the letter are separated by tabs; a tab, line end or
// backslash in a field is written \t, \n, \r or \\. ANSWER is the answer's
// place in the bank (0 the first listed) or -, RIGHT and FLAGGED 1 or 0,
// ANSWER-KEY the key of the answer's text (16 hex digits) or -, KIND Test,
// Pre-Test or Quiz, BANK-HASH 16 hex digits. Lines written before answers had
// keys end at FLAGGED, and are read so.
class CResponseFile
{
  public:
    explicit CResponseFile(std::string path) : m_strPath(std::move(path)) {}
    // The responses file in the folder of a record file.
    static CResponseFile Beside(const std::string& recordFile);

    const std::string& GetPath() const { return m_strPath; }

    static std::string Compose(const ResponseRecord& record);
    // The records of a text, in order; blocks that do not read are passed
    // over and counted in `unreadable`.
    static std::vector<ResponseRecord> Parse(std::string_view text, int* unreadable = nullptr);
    // The same one record at a time, for files too large to hold parsed; the
    // visitor may move from the record it is given. Answers the count of
    // what did not read.
    using Visitor = std::function<void(ResponseRecord&)>;
    static int Visit(std::string_view text, const Visitor& visit);

    // Appends with one write and waits for the disk. A new file is made as
    // the record file is: shared with the group in a lab folder, else the
    // owner's only.
    FileStatus Append(const std::string& text) const;
    // Replaces the file's whole text at once, as a regrade rewrites it; the
    // caller holds the record file's lock, under which appends are made.
    FileStatus Replace(const std::string& text) const;
    // Every record; a missing file holds none.
    FileStatus Read(std::vector<ResponseRecord>& records, int* unreadable = nullptr) const;
    FileStatus ReadEach(const Visitor& visit, int* unreadable = nullptr) const;

  private:
    std::string m_strPath;
};
}
