// Feeds arbitrary bytes to the Moodle XML reader: nothing may crash, and
// what it imports must come back the same through its own export.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "exchange/MoodleXml.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const quillet::Import import = quillet::ImportMoodleXml(input, "Fuzz");
    if (import.imported == 0)
        return 0;
    const std::string bank = quillet::CourseToBankText(*import.course);
    std::vector<std::string> dropped;
    const quillet::Import again =
        quillet::ImportMoodleXml(quillet::ExportMoodleXml(*import.course, dropped), "Fuzz");
    if (!again.error.empty() || again.imported != import.imported ||
        quillet::CourseToBankText(*again.course) != bank)
    {
        // Both banks, for whoever reproduces the failure.
        std::fprintf(stderr, "imported:\n%s\nagain:\n%s\n", bank.c_str(),
                     again.course ? quillet::CourseToBankText(*again.course).c_str() : "(none)");
        std::abort();
    }
    return 0;
}
