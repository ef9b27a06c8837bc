#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "course/Course.h"
#include "records/ResponseFile.h"

namespace quillet
{
// What rescoring one kept test against a bank came to.
struct Rescored
{
    enum class Outcome
    {
        Scored,       // every question found; `right` is the new score
        QuestionGone, // a question is no longer in the bank: `question` names it
        PlaceOnly,    // answers known only by their place in a bank version not at hand
    };
    Outcome outcome = Outcome::Scored;
    int right = 0;
    std::vector<Response> responses; // as rescored, answer keys filled in
    // Answers whose text is no longer among their question's: they keep the
    // mark they had, since nothing tells which answer they were.
    int answersGone = 0;
    std::string chapter; // of the question gone
    std::string question;
};

// A bank's questions and answers by the keys that responses name them by,
// so that answers kept under any version of the bank are read against this
// one: a question re-keyed, or its answers reordered, relabels nothing else.
class BankKeys
{
  public:
    // `bank` must outlive this.
    BankKeys(const CCourse& bank, BankIdentity identity);

    const CCourse& Bank() const { return *m_pBank; }
    const BankIdentity& Identity() const { return m_identity; }

    // The question a response names by its chapter and key, or null. The
    // same text twice in a chapter is one question: the first is found.
    const CQuestion* Find(const std::string& chapter, const std::string& question) const;
    // The place of the answer with that key among the question's answers, or -1.
    static int PlaceOf(const CQuestion& question, const std::string& answerKey);

    // Gives the answers of a record that know only their place the key of
    // their text, when the record was drawn from this very version of the
    // bank. Answers whether every answer of the record has its key now.
    bool KeyAnswers(ResponseRecord& record) const;

    // The record's answers scored against this bank's keys.
    Rescored Rescore(const ResponseRecord& record) const;

  private:
    const CCourse* m_pBank;
    BankIdentity m_identity;
    std::unordered_map<std::string, const CQuestion*> m_questions; // chapter's length, ':', chapter, key
};
}
