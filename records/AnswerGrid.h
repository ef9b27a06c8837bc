#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>

#include "records/QuestionStats.h"

namespace quillet
{
// Who answered what: for each student, how each question asked of him in
// the admitted tests went, for the class report's student by question grid.
class AnswerGrid
{
  public:
    // Past this many students times questions a page's grid helps nobody,
    // and a large class's cells would outweigh its tallies: none are kept.
    static constexpr long long kMostCells = 50'000;

    explicit AnswerGrid(ResultFilter filter) : m_filter(std::move(filter)) {}

    void Add(const ResponseRecord& record);

    enum class Outcome
    {
        Right,
        Wrong,
        None, // no answer given
    };
    struct Cell
    {
        long long asked = 0;
        long long right = 0;
        Outcome last = Outcome::None; // in the latest test that asked it
        int lastAnswer = -1;          // its place in the test's bank, -1 for none
        std::string lastAnswerKey;    // the key of its text, when kept
        TimeStamp lastGraded = 0;
    };

    bool TooLarge() const { return m_tooLarge; }
    // By name; none when the grid is too large.
    const std::set<std::string>& Students() const { return m_students; }
    // The student's answers to the question; null when it was never asked of him or the grid is too large.
    const Cell* At(const std::string& student, const std::string& chapter, const std::string& question) const;

  private:
    using Question = std::pair<std::string, std::string>; // chapter, key

    ResultFilter m_filter;
    bool m_tooLarge = false;
    std::set<std::string> m_students;
    std::set<Question> m_questions;
    std::map<std::pair<std::string, Question>, Cell> m_cells;
};
}
