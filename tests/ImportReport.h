#pragma once

// An import as the tests compare it: the bank text it gives (title "T"),
// then its notes, one a line as quillet-bank reports them.

#include <string>

#include "exchange/Exchange.h"

namespace testimport
{
inline std::string Bank(const quillet::Import& import)
{
    return import.imported > 0 ? quillet::CourseToBankText(*import.course) : std::string();
}

inline std::string Notes(const quillet::Import& import)
{
    std::string out;
    for (const quillet::ImportNote& note : import.notes)
        out += std::to_string(note.line) + (note.skipped ? ": skipped: " : ": warning: ") + note.text + "\n";
    return out;
}

inline std::string ImportReport(const quillet::Import& import)
{
    return Bank(import) + Notes(import);
}
}
