#pragma once

#include <optional>
#include <string_view>

namespace quillet
{
// --help (or -h) and --version as a program's first argument: prints the
// usage, or "<program> <version>", on standard output and answers the exit
// status (0, or 1 when standard output cannot take it). Nothing when the
// first argument asks for neither. Every program asks this before it starts
// anything that needs a display.
std::optional<int> AnswerInfoOption(std::string_view program, std::string_view usage, int argc,
                                    const char* const* argv);
}
