#pragma once

#include <memory>
#include <string>
#include <vector>

#include "course/Question.h"

// A named list of questions: a chapter of a bank, a section of a drawn test,
// or a chapter quiz. The position is the cursor that the walking queries
// move: -1 before the first question, count past the last.
class CChapter
{
  public:
    static constexpr int kMaxQuestions = 100;

    CChapter() = default;
    virtual ~CChapter() = default;
    CChapter(const CChapter&) = delete;
    CChapter& operator=(const CChapter&) = delete;

    int GetCount() const { return static_cast<int>(m_questions.size()); }
    CQuestion* GetAt(int i) const;
    // Takes the question on success; on failure the caller keeps it.
    bool Add(std::unique_ptr<CQuestion>&& question);

    const std::string& GetName() const { return m_strName; }
    bool SetName(std::string name);

    int GetPosition() const { return m_nPosition; }
    bool SetPosition(int position);

    int GetAnsweredCount() const;
    // Questions that are not true/false statements.
    int GetChoiceCount() const;
    std::unique_ptr<CChapter> CloneChoiceQuestions() const;

    // n questions in random order, each with shuffled answers, numbered from 1.
    std::unique_ptr<CChapter> Draw(int n, CRandom& random = CRandom::Global()) const;
    // The same over the multiple-choice questions only.
    std::unique_ptr<CChapter> DrawChoice(int n, CRandom& random = CRandom::Global()) const;

    // Walking. Every query but GetCurrent moves the position, also when it
    // finds nothing; the question at the starting position is never tested
    // by the searches.
    CQuestion* GetCurrent() const;
    CQuestion* First();
    CQuestion* Last();
    CQuestion* Next();
    CQuestion* Previous();
    CQuestion* NextFlagged();
    CQuestion* PreviousFlagged();
    CQuestion* NextUnanswered();
    CQuestion* PreviousUnanswered();
    CQuestion* NextNotCorrect();
    CQuestion* PreviousNotCorrect();

  private:
    friend class CCourse;
    using Predicate = bool (*)(const CQuestion&);
    std::unique_ptr<CChapter> DrawFrom(const std::vector<const CQuestion*>& pool, int n,
                                       CRandom& random) const;
    CQuestion* Search(int step, Predicate matches);

    int m_nPosition = 0;
    std::string m_strName;
    std::vector<std::unique_ptr<CQuestion>> m_questions;
};

namespace quillet
{
bool IsFlaggedQuestion(const CQuestion& question);
bool IsUnansweredQuestion(const CQuestion& question);
bool IsNotCorrectQuestion(const CQuestion& question);
}
