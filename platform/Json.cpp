#include "platform/Json.h"

#include <algorithm>

#include "platform/Text.h"

namespace quillet::json
{
namespace
{
void AppendEscapedByte(std::string& out, unsigned char c)
{
    static const char kHex[] = "0123456789abcdef";
    out += "\\u00";
    out += kHex[c >> 4];
    out += kHex[c & 0x0F];
}
}

void AppendString(std::string& out, std::string_view bytes)
{
    out += '"';
    for (std::size_t at = 0; at < bytes.size();)
    {
        const auto c = static_cast<unsigned char>(bytes[at]);
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
            if (const std::size_t length = c < 0x20 ? 0 : Utf8SequenceLength(bytes, at); length > 0)
            {
                out.append(bytes.substr(at, length));
                take = length;
            }
            else
                AppendEscapedByte(out, c);
        }
        at += take;
    }
    out += '"';
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
    AppendString(m_text, key);
    m_text += ':';
    m_needComma = false;
    return *this;
}

Writer& Writer::String(std::string_view bytes)
{
    BeforeValue();
    AppendString(m_text, bytes);
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
