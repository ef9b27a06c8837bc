#pragma once

// Large inputs for tests and benchmarks: a text written many times over.

#include <string>
#include <string_view>

inline std::string Repeated(std::string_view text, std::size_t times)
{
    std::string out;
    out.reserve(text.size() * times);
    for (std::size_t i = 0; i < times; ++i)
        out += text;
    return out;
}
