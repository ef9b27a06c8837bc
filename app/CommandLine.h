#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "course/Course.h"
#include "course/Random.h"
#include "course/TestRun.h"

namespace quillet
{
// What `quillet --help` prints.
inline constexpr const char* kQuilletUsage =
    "usage: quillet [BANK [CHAPTER | /PRE]]\n"
    "       quillet --help | --version\n"
    "Opens the test window on a Test drawn from the question bank BANK, on a quiz\n"
    "of chapter CHAPTER (a number), or on a Pre-Test with /PRE. The course's video\n"
    "player (or quillet-player) must be running first.\n";

struct CommandLineParts
{
    std::string bankPath;
    bool preTestSwitch = false;
    // The word after the path; it may name a chapter.
    std::string secondArgument;
};

// The 1-based chapter named by the second argument, or 0 when it names none:
// digits only, between 1 and the chapter count.
int ChapterFromArgument(std::string_view argument, int chapterCount);

using BankLoader = std::function<std::unique_ptr<CCourse>(const std::string& path)>;

// The parts of the program's arguments as the system hands them over, one by
// one: the first is the bank's path, which may hold blanks, quotes or any
// other byte. The first later argument that starts with /PRE, in any letter
// case, decides the Pre-Test switch: it is on when that argument is /PRE
// itself, so "/PREVIEW /PRE" draws a Test.
CommandLineParts PartsFromArguments(const std::vector<std::string>& arguments);

// Reads the command line, loads the bank it names and draws the selection it
// asks for; null when no bank was loaded. The loader defaults to reading the
// bank file. `problem`, when given, receives why the bank cannot be used (a
// sentence naming the file), or nothing when it can.
std::unique_ptr<TestRun> PrepareTest(const CommandLineParts& parts, CRandom& random = CRandom::Global(),
                                     const BankLoader& loader = {}, std::string* problem = nullptr);
}
