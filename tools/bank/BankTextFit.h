#pragma once

#include <string>
#include <vector>

class CQuestion;

namespace quillet
{
// What of the question's texts the test window sets smaller to fit, or has
// to scroll: one warning each, measured by the window's own rules
// (skin/TextFit.h). Needs a QGuiApplication, for the fonts.
std::vector<std::string> TextFitProblems(const CQuestion& question);
}
