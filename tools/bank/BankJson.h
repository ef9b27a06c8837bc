#pragma once

#include <string>

#include "course/Course.h"
#include "course/TestKind.h"

namespace quillet
{
// The course as the dump command prints it, in its fixed key order.
std::string CourseToJson(const CCourse& course);
// A drawn Test or Pre-Test, and a drawn quiz of chapter `chapter`.
std::string TestToJson(const CCourse& test, TestKind kind);
std::string QuizToJson(const CChapter& quiz, int chapter);

// Readable listings of the same, for authors at a terminal.
std::string CourseToText(const CCourse& course);
std::string TestToText(const CCourse& test, TestKind kind);
std::string QuizToText(const CChapter& quiz, int chapter);
}
