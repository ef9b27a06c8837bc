#include "output/WebAddress.h"

#include <algorithm>

namespace quillet
{
namespace
{
bool IsUnreserved(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

bool IsHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// Whether the part holds only unreserved characters, sub-delimiters, the
// characters in `extra` and %XX escapes.
bool IsValidPart(std::string_view part, std::string_view extra)
{
    for (std::size_t i = 0; i < part.size(); ++i)
    {
        const char c = part[i];
        if (c == '%')
        {
            if (i + 2 >= part.size() || !IsHexDigit(part[i + 1]) || !IsHexDigit(part[i + 2]))
                return false;
            i += 2;
        }
        else if (!IsUnreserved(static_cast<unsigned char>(c)) &&
                 std::string_view("!$&'()*+,;=").find(c) == std::string_view::npos &&
                 extra.find(c) == std::string_view::npos)
            return false;
    }
    return true;
}

// [userinfo@]host[:port], the host a name or a bracketed IPv6 address.
bool IsValidAuthority(std::string_view authority)
{
    if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos)
    {
        if (!IsValidPart(authority.substr(0, at), ":"))
            return false;
        authority.remove_prefix(at + 1);
    }
    std::string_view host = authority;
    std::string_view port;
    if (authority.starts_with('['))
    {
        const std::size_t close = authority.find(']');
        if (close == std::string_view::npos || close == 1 ||
            authority.substr(1, close - 1).find_first_not_of("0123456789abcdefABCDEF:.") !=
                std::string_view::npos)
            return false;
        host = authority.substr(0, close + 1);
        port = authority.substr(close + 1);
        if (!port.empty() && !port.starts_with(':'))
            return false;
    }
    else
    {
        const std::size_t colon = authority.find(':');
        host = authority.substr(0, colon);
        port = colon == std::string_view::npos ? std::string_view() : authority.substr(colon);
        if (host.empty() || !IsValidPart(host, ""))
            return false;
    }
    if (port.empty())
        return true;
    port.remove_prefix(1);
    return !port.empty() && port.size() <= 5 &&
           port.find_first_not_of("0123456789") == std::string_view::npos &&
           std::stoi(std::string(port)) <= 65535;
}

bool StartsWithCaseless(std::string_view text, std::string_view start)
{
    return text.size() >= start.size() &&
           std::equal(start.begin(), start.end(), text.begin(),
                      [](char a, char b) { return a == (b >= 'A' && b <= 'Z' ? b - 'A' + 'a' : b); });
}
}

std::optional<WebAddress> WebAddress::Parse(std::string_view text)
{
    std::size_t rest = 0;
    for (const std::string_view scheme : {"http://", "https://"})
        if (StartsWithCaseless(text, scheme))
            rest = scheme.size();
    if (rest == 0)
        return std::nullopt;
    const std::size_t hash = std::min(text.find('#'), text.size());
    const std::size_t question = std::min(text.find('?', rest), hash);
    const std::size_t slash = std::min(text.find('/', rest), question);
    const std::string_view query = question < hash ? text.substr(question + 1, hash - question - 1) : "";
    const std::string_view fragment = hash < text.size() ? text.substr(hash + 1) : "";
    if (!IsValidAuthority(text.substr(rest, slash - rest)) ||
        !IsValidPart(text.substr(slash, question - slash), ":@/") || !IsValidPart(query, ":@/?") ||
        !IsValidPart(fragment, ":@/?"))
        return std::nullopt;
    WebAddress address;
    address.m_beforeFragment = text.substr(0, hash);
    address.m_fragment = text.substr(hash);
    return address;
}

void WebAddress::AddQueryItem(std::string_view name, std::string_view value)
{
    const char last = m_beforeFragment.back();
    if (m_beforeFragment.find('?') == std::string::npos)
        m_beforeFragment += '?';
    else if (last != '?' && last != '&')
        m_beforeFragment += '&';
    m_beforeFragment += PercentEncode(name);
    m_beforeFragment += '=';
    m_beforeFragment += PercentEncode(value);
}

std::string PercentEncode(std::string_view value)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char ch : value)
    {
        const auto c = static_cast<unsigned char>(ch);
        if (IsUnreserved(c))
        {
            out += ch;
            continue;
        }
        out += '%';
        out += kHex[c >> 4];
        out += kHex[c & 0x0F];
    }
    return out;
}
}
