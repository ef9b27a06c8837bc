#pragma once

#include <string>
#include <string_view>

namespace quillet
{
// Bank and record files store every text byte b as 255 - b. The same
// operation turns stored bytes back into text.
inline void ComplementInPlace(std::string& bytes)
{
    for (char& c : bytes)
        c = static_cast<char>(~static_cast<unsigned char>(c));
}

inline std::string Complemented(std::string_view bytes)
{
    std::string out(bytes);
    ComplementInPlace(out);
    return out;
}
}
