#include "course/InputReader.h"

#include <algorithm>

#include "platform/Text.h"

namespace quillet
{
namespace
{
// A piece of input ending where no UTF-8 sequence goes on reads the same
// alone as within the whole, so pieces can be converted one by one.
void Convert(std::string_view bytes, std::string& out)
{
    // Most lines are ASCII, and stay as they are.
    if (std::all_of(bytes.begin(), bytes.end(),
                    [](char c) { return c != '\0' && static_cast<unsigned char>(c) < 0x80; }))
    {
        out.assign(bytes);
        return;
    }
    out = TextToUtf8(bytes);
    std::replace(out.begin(), out.end(), '\0', ' ');
}

bool IsContinuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}
}

InputReader::InputReader(std::string_view bytes) : m_rest(bytes)
{
    if (m_rest.starts_with("\xEF\xBB\xBF"))
        m_rest.remove_prefix(3);
}

bool InputReader::NextLine(std::string& line)
{
    if (m_done)
        return false;
    const auto end = static_cast<std::size_t>(
        std::find_if(m_rest.begin(), m_rest.end(), [](char c) { return c == '\n' || c == '\r'; }) -
        m_rest.begin());
    std::size_t next = end + 1;
    if (end == m_rest.size())
    {
        next = end;
        m_done = true;
    }
    else if (m_rest[end] == '\r' && m_rest.substr(end + 1, 1) == "\n")
        ++next;
    Convert(m_rest.substr(0, end), line);
    m_rest.remove_prefix(next);
    ++m_line;
    return true;
}

bool InputReader::NextPiece(std::string& piece, std::size_t size)
{
    if (m_rest.empty())
        return false;
    std::size_t end = std::min(std::max<std::size_t>(size, 1), m_rest.size());
    // A sequence is at most four bytes: past three continuation bytes none
    // that began before them can still be going on.
    for (int step = 0; step < 3 && end < m_rest.size() && IsContinuation(m_rest[end]); ++step)
        ++end;
    Convert(m_rest.substr(0, end), piece);
    m_rest.remove_prefix(end);
    return true;
}
}
