#include "tools/common/Json.h"

#include <algorithm>

namespace quillet::json
{
namespace
{
// Length of the well-formed UTF-8 sequence at the start of s, or 0.
std::size_t Utf8SequenceLength(std::string_view s)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const auto continuation = [&](std::size_t i) { return i < s.size() && (byte(i) & 0xC0) == 0x80; };
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return continuation(1) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF)
    {
        if (!continuation(1) || !continuation(2))
            return 0;
        // No overlong forms, no UTF-16 surrogates.
        if ((lead == 0xE0 && byte(1) < 0xA0) || (lead == 0xED && byte(1) > 0x9F))
            return 0;
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4)
    {
        if (!continuation(1) || !continuation(2) || !continuation(3))
            return 0;
        if ((lead == 0xF0 && byte(1) < 0x90) || (lead == 0xF4 && byte(1) > 0x8F))
            return 0;
        return 4;
    }
    return 0;
}

void AppendEscapedByte(std::string& out, unsigned char c)
{
    static const char kHex[] = "0123456789abcdef";
    out += "\\u00";
    out += kHex[c >> 4];
    out += kHex[c & 0x0F];
}
}

std::string Quote(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() + 2);
    out += '"';
    while (!bytes.empty())
    {
        const auto c = static_cast<unsigned char>(bytes.front());
        std::size_t take = 1;
        switch (c)
        {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (const std::size_t length = c < 0x20 ? 0 : Utf8SequenceLength(bytes); length > 0)
            {
                out.append(bytes.substr(0, length));
                take = length;
            }
            else
                AppendEscapedByte(out, c);
        }
        bytes.remove_prefix(take);
    }
    out += '"';
    return out;
}

std::string FixedText(long long units, int decimals)
{
    std::string digits = std::to_string(units < 0 ? -static_cast<unsigned long long>(units)
                                                  : static_cast<unsigned long long>(units));
    const auto places = static_cast<std::size_t>(std::max(decimals, 0));
    if (digits.size() <= places)
        digits.insert(0, places + 1 - digits.size(), '0');
    if (places > 0)
        digits.insert(digits.size() - places, 1, '.');
    return units < 0 ? "-" + digits : digits;
}

void Writer::BeforeValue()
{
    if (m_needComma)
        m_text += ',';
    m_needComma = true;
}

Writer& Writer::BeginObject()
{
    BeforeValue();
    m_text += '{';
    m_needComma = false;
    return *this;
}

Writer& Writer::EndObject()
{
    m_text += '}';
    m_needComma = true;
    return *this;
}

Writer& Writer::BeginArray()
{
    BeforeValue();
    m_text += '[';
    m_needComma = false;
    return *this;
}

Writer& Writer::EndArray()
{
    m_text += ']';
    m_needComma = true;
    return *this;
}

Writer& Writer::Key(std::string_view key)
{
    BeforeValue();
    m_text += Quote(key);
    m_text += ':';
    m_needComma = false;
    return *this;
}

Writer& Writer::String(std::string_view bytes)
{
    BeforeValue();
    m_text += Quote(bytes);
    return *this;
}

Writer& Writer::Number(long long value)
{
    BeforeValue();
    m_text += std::to_string(value);
    return *this;
}

Writer& Writer::Fixed(long long units, int decimals)
{
    BeforeValue();
    m_text += FixedText(units, decimals);
    return *this;
}

Writer& Writer::Bool(bool value)
{
    BeforeValue();
    m_text += value ? "true" : "false";
    return *this;
}

Writer& Writer::Null()
{
    BeforeValue();
    m_text += "null";
    return *this;
}
}
