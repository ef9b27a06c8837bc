#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
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

// Why a question with enough answers to judge should be looked at.
enum class CheckReason
{
    FewRight,             // facility below 0.2
    MostRight,            // facility above 0.9
    LowDiscrimination,    // below 0.2: it does not tell who knows the material
    WrongAnswerPreferred, // a wrong answer was chosen more often than the right one
};

struct AnswerFigures
{
    int answer = 0; // its place among the question's answers as the bank lists them, from 0
    long long chosen = 0;
    bool right = false;
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
    // same test's score, in thousandths; none when either never varies.
    std::optional<int> discrimination;
    bool judged = false; // enough answers to judge it
    std::vector<CheckReason> reasons;

    int Facility() const { return Thousandths(right, asked); }
    static int Thousandths(long long part, long long whole);
};

// The question statistics of a class: every admitted graded test's answers
// are tallied as they come, so that a million of them need no more memory
// than the questions they ask.
class QuestionStats
{
  public:
    static constexpr long long kEnoughToJudge = 20;

    explicit QuestionStats(ResultFilter filter = {}) : m_filter(std::move(filter)) {}

    // Tallies the record's answers when the filter admits it.
    void Add(const ResponseRecord& record);

    long long Tests() const { return m_tests; }
    long long Responses() const { return m_responses; }
    // The titles of the courses that the filter's course left out.
    const std::set<std::string>& OtherCourses() const { return m_otherCourses; }

    // Every question: with a bank, in its order and its never-asked questions
    // among them (asked 0), then the questions the bank does not hold; those
    // by chapter name and key.
    std::vector<QuestionFigures> Table(const CCourse* bank = nullptr) const;

  private:
    // The sums that the correlation is computed from: x the question's 0/1
    // score, y the rest of the test's score.
    struct Tally
    {
        std::string chapter;
        std::string question;
        long long asked = 0;
        long long right = 0; // the sum of x, and of x squared
        long long flagged = 0;
        long long sumY = 0;
        long long sumXY = 0;
        long long sumYY = 0;
        std::vector<long long> chosen;  // by answer place + 1; 0 counts no answer
        std::uint64_t rightAnswers = 0; // the places answered right
    };

    QuestionFigures FiguresOf(const Tally& tally, const CQuestion* bank) const;

    ResultFilter m_filter;
    long long m_tests = 0;
    long long m_responses = 0;
    std::set<std::string> m_otherCourses;
    std::vector<Tally> m_tallies;
    std::unordered_map<std::string, std::size_t> m_index; // chapter, a tab, key
    std::string m_lookup;                                 // the key being looked up, reused
};
}
