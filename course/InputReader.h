#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quillet
{
// A question file's bytes as UTF-8, a line or a piece at a time, so that an
// import never holds a second copy of the whole file. Well-formed UTF-8 is
// kept, any other byte is read as Windows-1252, a leading byte order mark is
// dropped, and a NUL (where a bank's text would end) becomes a blank.
class InputReader
{
  public:
    explicit InputReader(std::string_view bytes);

    // The next line without its line break (CR LF is one); false after the
    // last. Text ending in a line break has an empty last line.
    bool NextLine(std::string& line);
    // The number of the line NextLine gave last, the first being 1.
    int LineNumber() const { return m_line; }

    // The next piece of about `size` bytes of input, never cutting a UTF-8
    // sequence; false when all has been given.
    bool NextPiece(std::string& piece, std::size_t size);

  private:
    std::string_view m_rest;
    bool m_done = false;
    int m_line = 0;
};
}
