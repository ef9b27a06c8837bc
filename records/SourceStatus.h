#pragma once

#include <string>
#include <utility>

namespace quillet
{
// What became of reading a record source, by code, for the caller to act on.
enum class SourceError
{
    None,
    // Read all the same, with something to tell:
    NothingKept, // no answers are kept beside the record file yet
    PassedOver,  // parts of the answers did not read and were passed over
    // Not read:
    Missing,     // no such record file or folder
    Unreadable,  // it cannot be read
    NoStudents,  // it holds no student
    Unreachable, // the record server cannot be reached
    Refused,     // the record server would not answer: no such view, or no right to read it
};

// A reading's outcome as a job tells it: the code apart from the text, so
// that a caller branches on the one and shows the other. The text is a
// sentence fit to follow "quillet-records: ".
class SourceStatus
{
  public:
    SourceStatus() = default;
    SourceStatus(SourceError error, std::string text) : m_error(error), m_strText(std::move(text)) {}

    SourceError Error() const { return m_error; }
    const std::string& ErrorText() const { return m_strText; }
    // Nothing was read: what was asked for is not there to use.
    bool Failed() const
    {
        return m_error != SourceError::None && m_error != SourceError::NothingKept &&
               m_error != SourceError::PassedOver;
    }

  private:
    SourceError m_error = SourceError::None;
    std::string m_strText;
};
}
