#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "course/TestRun.h"

namespace quillet
{
// One question of a graded test as the student answered it, for the question
// statistics. The question is known by a key that survives small edits of
// the bank: its chapter's name and a hash of its text.
struct Response
{
    std::string chapter;
    std::string question; // QuestionKey of its text
    int answer = -1;      // the answer chosen by its place in the bank (0 the first listed); -1 none
    bool right = false;
    bool flagged = false;
    // The key of the chosen answer's text, which names it whatever its place
    // in a later version of the bank; empty with no answer, and in answers
    // kept before answers had keys, which know only the place.
    std::string answerKey;

    bool operator==(const Response&) const = default;
};

// What the bank says of one of its questions, for scoring responses to it
// without the test: the question as a response names it, where its right
// answer is and how many answers it has, counted as Response::answer counts.
struct AnswerKey
{
    std::string chapter;
    std::string question; // QuestionKey of its text
    int right = 0;
    int answers = 0;
    std::vector<std::string> answerKeys; // the key of each answer's text, by place

    bool operator==(const AnswerKey&) const = default;
};

// A hash as responses carry it, of a question's text or a bank's bytes: 16 hex digits.
std::string HashText(std::uint64_t hash);

// The key of a question's or an answer's text: 16 hex digits.
std::string QuestionKey(const std::string& text);

// The keys of each of the question's answers' texts, by place; True and
// False for a true/false statement.
std::vector<std::string> AnswerKeysOf(const CQuestion& question);

// Every drawn question of the run, in test order; empty when a drawn
// question is not found in its bank.
std::vector<Response> ResponsesOf(const TestRun& run);

// Every question of the bank, chapter by chapter, in bank order.
std::vector<AnswerKey> AnswerKeysOf(const CCourse& bank);
}
