#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "course/Random.h"

// The answer texts of every true/false question, and the answer keywords of
// the bank file. They are never stored in a question.
inline const std::string kTrueText{"True"};
inline const std::string kFalseText{"False"};

// One question of a bank or of a drawn test. Texts are bytes in the bank's
// encoding; nothing here interprets them. Operations that can fail answer 1
// on success and 0 on failure, and change nothing when they fail.
class CQuestion
{
  public:
    static constexpr int kMaxAnswers = 6;
    // A drawn question shows its first four answers only.
    static constexpr int kShownAnswers = 4;
    static constexpr int kNoteSlots = 6;

    CQuestion() = default;
    virtual ~CQuestion() = default;
    CQuestion(const CQuestion&) = delete;
    CQuestion& operator=(const CQuestion&) = delete;

    // "True"/"False" for a true/false question; the stored answer otherwise.
    // Null when there is no answer i.
    const std::string* GetAnswerText(int i) const;
    int GetAnswerCount() const;
    bool AddAnswer(std::string text);

    int GetAnswer() const { return m_nAnswer; }
    bool SetAnswer(int i);
    bool IsAnswered() const { return m_nAnswer != -1; }
    // Also true for an unanswered question.
    bool IsNotCorrect() const { return m_nAnswer != m_nCorrect; }

    int GetCorrect() const { return m_nCorrect; }
    bool SetCorrect(int i);

    bool IsFlagged() const { return m_bFlagged; }
    bool SetFlagged(bool flagged);

    const std::string& GetHint() const { return m_strHint; }
    bool SetHint(std::string hint);
    const std::string& GetText() const { return m_strText; }
    bool SetText(std::string text);
    const std::string& GetTopic() const { return m_strTopic; }
    bool SetTopic(std::string topic);

    bool IsTrueFalse() const { return m_bTrueFalse; }
    bool SetTrueFalse(bool trueFalse);
    bool GetTrue() const { return m_bTrue; }
    // The truth value and the correct index always change together.
    bool SetTrue(bool value);

    int GetNumber() const { return m_nNumber; }
    bool SetNumber(int number);

    // Null when position i holds no note or lies outside 0..5.
    const std::string* GetNote(int i) const;
    // An empty optional removes the note.
    bool SetNote(int i, std::optional<std::string> note);

    // A copy that shares nothing with this question; the student's answer,
    // flag and number start afresh.
    std::unique_ptr<CQuestion> Clone() const;
    // As Clone, with the answers of a multiple-choice question in random
    // order; each answer keeps its note and the correct index follows it.
    std::unique_ptr<CQuestion> CloneShuffled(CRandom& random = CRandom::Global()) const;

  private:
    std::unique_ptr<CQuestion> CloneBase() const;

    int m_nAnswer = -1;
    bool m_bTrue = true;
    bool m_bFlagged = false;
    std::string m_strHint;
    int m_nCorrect = 0;
    int m_nNumber = 1;
    std::string m_strText;
    std::string m_strTopic;
    bool m_bTrueFalse = false;
    std::array<std::optional<std::string>, kNoteSlots> m_pszNote;
    std::vector<std::string> m_answers;
};
