#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "course/Course.h"
#include "records/ResponseFile.h"

namespace quillet
{
// Which graded tests a teacher's figures take in. Unset parts take in all.
struct ResultFilter
{
    std::optional<TimeStamp> since; // graded at or after
    std::optional<TestKind> kind;
    std::optional<std::string> course; // the course title, exactly

    bool Admits(TestKind testKind, const std::string& title, TimeStamp graded) const;
};

// Why a question should be looked at, the worst first: a question is
// ranked by the first of its reasons.
enum class CheckReason
{
    ProbablyMiskeyed,     // the upper group prefers a wrong answer to the key
    FewRight,             // facility below 0.2
    WrongAnswerPreferred, // a wrong answer was chosen more often than the right one
    LowDiscrimination,    // below 0.2: it does not tell who knows the material
    MostRight,            // facility above 0.9
};

struct AnswerFigures
{
    // Its place among the question's answers as the bank lists them, from 0;
    // without a bank, as the test's own bank listed it. Answers that the
    // bank given no longer has come after its own.
    int answer = 0;
    long long chosen = 0;
    bool right = false;
    int upperShare = 0; // the share of the upper group that chose it, in thousandths
    bool gone = false;  // its text is no longer among the bank's answers
};

// A question's figures within one kind of test.
struct KindFigures
{
    TestKind kind = TestKind::Test;
    long long asked = 0;
    long long right = 0;
    std::optional<int> discrimination; // in thousandths
};

// One question's figures over every graded test that asked it. Shares are
// in thousandths, rounded half up, so that every output shows the same.
struct QuestionFigures
{
    std::string chapter;
    std::string question;            // its QuestionKey
    const CQuestion* bank = nullptr; // the bank's question, when a bank was given and holds it
    long long asked = 0;
    long long right = 0;
    long long flagged = 0;
    long long unanswered = 0;
    std::vector<AnswerFigures> answers; // by place; the bank's answers all, others as chosen
    // The correlation between the question's 0/1 score and the rest of the
    // same test's score, in thousandths, within each kind of test (their
    // scores do not compare), weighted by each kind's answers; none when
    // either never varies.
    std::optional<int> discrimination;
    // The answers of those who did best on the rest of their test: the top
    // half, or the top 27% from kUpperBy27 answers on, within each kind.
    long long upperGroup = 0;
    int upperRightShare = 0;          // the share of the upper group answering right, in thousandths
    std::vector<KindFigures> kinds;   // each kind that asked it, in TestKind order
    bool judged = false;              // enough answers to judge it
    std::vector<CheckReason> reasons; // the worst first
    // How far the worst reason lies past its bound, in thousandths: the
    // share of answers (or of the upper group) or the discrimination.
    int pastBound = 0;

    int Facility() const { return Thousandths(right, asked); }
    static int Thousandths(long long part, long long whole);
};

// The answers to one chapter's questions, kind by kind.
struct ChapterFigures
{
    std::string chapter;
    std::array<long long, 3> asked{}; // by TestKind
    std::array<long long, 3> right{};

    long long Asked() const { return asked[0] + asked[1] + asked[2]; }
    long long Right() const { return right[0] + right[1] + right[2]; }
};

// KR-20 over the tests of one kind drawn from one bank (for a quiz, of one
// chapter) with the same number of questions. A drawn test asks some of the
// bank's questions: the sum of the question variances is each question's
// p(1 - p) weighted by the share of tests that asked it, which is KR-20 itself
// when every test asks the same questions.
struct ReliabilityFigures
{
    TestKind kind = TestKind::Test;
    std::string quizChapter;
    BankIdentity bank;
    long long questions = 0; // in each test
    long long tests = 0;
    std::optional<int> alpha; // in thousandths; none below two tests or when the scores never vary
};

// The question statistics of a class: every admitted graded test's answers
// are tallied as they come, so that a million of them need no more memory
// than the questions they ask and the scores their tests had.
class QuestionStats
{
  public:
    static constexpr long long kEnoughToJudge = 20;
    // A wrong key marks every student wrong: it is worth a look from a few answers.
    static constexpr long long kEnoughForMiskey = 5;
    static constexpr long long kUpperBy27 = 40;

    explicit QuestionStats(ResultFilter filter = {}) : m_filter(std::move(filter)) {}

    // Tallies the record's answers when the filter admits it; those of the
    // kinds the filter leaves out count for the chapters and reliability only.
    void Add(const ResponseRecord& record);

    // The tests and answers of the filter's kind.
    long long Tests() const { return m_tests; }
    long long Responses() const { return m_responses; }
    // The titles of the courses that the filter's course left out.
    const std::set<std::string>& OtherCourses() const { return m_otherCourses; }

    // Every question asked in the filter's kind: with a bank, in its order
    // and its never-asked questions among them (asked 0), then the questions
    // the bank does not hold; those by chapter name and key.
    std::vector<QuestionFigures> Table(const CCourse* bank = nullptr) const;

    // Every chapter answered, of every kind: the bank's first in its order,
    // then the others by name.
    std::vector<ChapterFigures> Chapters(const CCourse* bank = nullptr) const;

    // Every kind's tests, by kind, quiz chapter and bank.
    std::vector<ReliabilityFigures> Reliability() const;

  private:
    // The answers given with one score on the rest of the test.
    struct RestRow
    {
        long long right = 0;
        std::vector<long long> chosen; // by answer (Tally::answers) + 1; 0 counts no answer
    };
    struct KindTally
    {
        long long flagged = 0;
        std::vector<RestRow> byRest; // by the score of the rest of the test
    };
    // An answer as the responses name it: by the key of its text, or for
    // those kept before answers had keys, by its place alone.
    struct ChosenAnswer
    {
        std::string key; // empty for a place alone
        int place = 0;   // in the bank the test was drawn from
        bool right = false;
    };
    struct Tally
    {
        std::string chapter;
        std::string question;
        std::array<KindTally, 3> kinds; // by TestKind
        std::vector<ChosenAnswer> answers;
    };
    struct ItemCount
    {
        long long asked = 0;
        long long right = 0;
    };
    struct TestGroup
    {
        std::string bankPath; // as the first test named it
        long long tests = 0;
        long long sumScores = 0;
        long long sumSquares = 0;
        std::unordered_map<std::size_t, ItemCount> items; // by tally
    };
    // Kind, quiz chapter, bank size and hash, questions.
    using GroupKey = std::tuple<int, std::string, std::uint64_t, std::uint64_t, long long>;

    QuestionFigures FiguresOf(const Tally& tally, const CQuestion* bank) const;
    static std::size_t AnswerOf(Tally& tally, const Response& response);
    long long SelectedAnswers(const Tally& tally) const;
    bool Selects(TestKind kind) const { return !m_filter.kind || kind == *m_filter.kind; }

    ResultFilter m_filter;
    long long m_tests = 0;
    long long m_responses = 0;
    std::set<std::string> m_otherCourses;
    std::vector<Tally> m_tallies;
    std::unordered_map<std::string, std::size_t> m_index; // chapter, a tab, key
    std::map<GroupKey, TestGroup> m_groups;
    std::string m_lookup;          // the key being looked up, reused
    std::vector<std::size_t> m_at; // the tallies of the test being added, reused
};

// The questions a teacher should look at first: those to check, the worst
// reason first and within a reason the furthest past its bound, then the
// most answered; then the others judged, then those with too few answers;
// never-asked ones last. Otherwise in the table's order.
std::vector<const QuestionFigures*> ToCheckFirst(const std::vector<QuestionFigures>& table);
}
