#pragma once

// Which of the three selections a run presents. Not stored with a test: it
// follows from what was drawn.
enum class TestKind
{
    Test,    // 20 multiple-choice questions from the whole course
    PreTest, // 20 questions from the whole course, true/false included
    Quiz,    // 10 questions from one chapter
};

// The word the student reads for each kind.
constexpr const char* TestKindWord(TestKind kind)
{
    switch (kind)
    {
    case TestKind::Test:
        return "Test";
    case TestKind::PreTest:
        return "Pre-Test";
    case TestKind::Quiz:
        return "Quiz";
    }
    return "Test";
}

// Its key in the tools' JSON and CSV and on their command lines.
constexpr const char* TestKindKey(TestKind kind)
{
    switch (kind)
    {
    case TestKind::PreTest:
        return "pretest";
    case TestKind::Quiz:
        return "quiz";
    case TestKind::Test:
        break;
    }
    return "test";
}
