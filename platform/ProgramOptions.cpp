#include "platform/ProgramOptions.h"

#include <cstdio>
#include <string>

#include "platform/Version.h"

namespace quillet
{
std::optional<int> AnswerInfoOption(std::string_view program, std::string_view usage, int argc,
                                    const char* const* argv)
{
    if (argc < 2)
        return std::nullopt;
    const std::string_view option = argv[1];
    std::string text;
    if (option == "--help" || option == "-h")
        text = usage;
    else if (option == "--version")
        text = std::string(program) + ' ' + kVersion + '\n';
    else
        return std::nullopt;
    std::fwrite(text.data(), 1, text.size(), stdout);
    // A full disk or a closed pipe is an error, not a silent success.
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
    {
        std::fprintf(stderr, "%.*s: cannot write the output\n", static_cast<int>(program.size()),
                     program.data());
        return 1;
    }
    return 0;
}
}
