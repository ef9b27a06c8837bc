#include "testwin/WindowPrompts.h"

quillet::RecordPrompts CWindowPrompts::ForRecords() const
{
    return {[this](const std::string& text) { Message(text, "Records", kNotice); },
            [this](const std::string& text, const std::string& title, bool wrapped)
            { return Ask(text, title, wrapped); }};
}
