#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "course/Course.h"
#include "course/Random.h"
#include "course/TestKind.h"

namespace quillet
{
// The command line as one text, the way a program on the original platform
// received it: arguments joined by single blanks, each argument that holds a
// blank enclosed in double quotes.
std::string JoinArguments(const std::vector<std::string>& arguments);

struct CommandLineParts
{
    std::string bankPath;
    bool preTestSwitch = false;
    // The word after the path; it may name a chapter.
    std::string secondArgument;
};

CommandLineParts SplitCommandLine(std::string_view commandLine);

// The 1-based chapter named by the second argument, or 0 when it names none:
// digits only, between 1 and the chapter count.
int ChapterFromArgument(std::string_view argument, int chapterCount);

// What start-up hands to the test window. With no course loaded every
// pointer is null and the window opens without a test.
struct PreparedTest
{
    std::unique_ptr<CCourse> course;  // the loaded bank, kept for Retake
    std::string courseTitle;
    TestKind kind = TestKind::Test;
    std::unique_ptr<CCourse> test;    // Test and Pre-Test
    bool preTest = false;
    CChapter* sourceChapter = nullptr;  // Quiz: the bank chapter, owned by course
    std::unique_ptr<CChapter> quiz;
    int chapter = 0;                  // Quiz: 1-based

    bool HasCourse() const { return course != nullptr; }
};

using BankLoader = std::function<std::unique_ptr<CCourse>(const std::string& path)>;

// Reads the command line, loads the bank it names and draws the selection it
// asks for. The loader defaults to reading the bank file.
PreparedTest PrepareTest(std::string_view commandLine, CRandom& random = CRandom::Global(),
                         const BankLoader& loader = {});
}
