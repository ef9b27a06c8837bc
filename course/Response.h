#pragma once

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

    bool operator==(const Response&) const = default;
};

// The key of a question's text: 16 hex digits.
std::string QuestionKey(const std::string& text);

// Every drawn question of the run, in test order; empty when a drawn
// question is not found in its bank.
std::vector<Response> ResponsesOf(const TestRun& run);
}
