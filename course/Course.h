#pragma once

#include <memory>
#include <string>
#include <vector>

#include "course/Chapter.h"

// A titled list of chapters: a loaded bank, or a drawn Test or Pre-Test whose
// chapters are its sections. The position names the chapter that holds the
// current question (-1 before the first, count past the last); chapters
// before it are parked at their end and chapters after it before their start.
class CCourse
{
  public:
    static constexpr int kMaxChapters = 100;

    CCourse() = default;
    virtual ~CCourse() = default;
    CCourse(const CCourse&) = delete;
    CCourse& operator=(const CCourse&) = delete;

    int GetCount() const { return static_cast<int>(m_chapters.size()); }
    CChapter* GetAt(int i) const;
    // Takes the chapter on success; on failure the caller keeps it.
    bool Add(std::unique_ptr<CChapter>&& chapter);

    const std::string& GetName() const { return m_strName; }
    bool SetName(std::string name);

    int GetPosition() const { return m_nPosition; }
    bool SetPosition(int position);

    int GetAnsweredCount() const;
    int GetQuestionCount() const;

    // n questions spread over the chapters, true/false statements included
    // only when all is not 0. Numbered across the whole test from 1.
    std::unique_ptr<CCourse> DrawTest(int n, int all, CRandom& random = CRandom::Global()) const;

    // Walking over all questions of all chapters as one sequence.
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
    using ChapterQuery = CQuestion* (CChapter::*)();
    using Predicate = bool (*)(const CQuestion&);
    CQuestion* SearchForward(ChapterQuery query, Predicate matches);
    CQuestion* SearchBackward(ChapterQuery query, Predicate matches);
    CQuestion* StepForward(ChapterQuery query);
    CQuestion* StepBackward(ChapterQuery query);

    int m_nPosition = -1;
    std::string m_strName;
    std::vector<std::unique_ptr<CChapter>> m_chapters;
};
