// Feeds arbitrary bytes to the Aiken reader: nothing may crash, and what it
// imports must read back the same from the bank text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "course/CourseReader.h"
#include "exchange/AikenFormat.h"
#include "exchange/Exchange.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const quillet::Import import = quillet::ImportAiken(input, "Fuzz");
    if (import.imported == 0)
        return 0;
    const std::string bank = quillet::CourseToBankText(*import.course);
    const auto reread = CCourseReader::LoadText(bank);
    if (!reread || reread->GetQuestionCount() != import.imported ||
        quillet::CourseToBankText(*reread) != bank)
        std::abort();
    return 0;
}
