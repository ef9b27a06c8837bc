#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quillet
{
// An absolute http or https address (RFC 3986) to which query items can be
// added, kept as the text it was given. Qt-free, so that the settings check
// and the address that is opened are judged by the same rules.
class WebAddress
{
  public:
    // The address, when the text is http:// or https:// (either case), a
    // host and a port of digits, and a path, query and fragment of only the
    // characters RFC 3986 allows there, each % followed by two hex digits.
    static std::optional<WebAddress> Parse(std::string_view text);

    // Adds name=value to the query, after "?" or "&" as the address already
    // has one, and before the fragment. Every byte but the unreserved ones
    // is sent as %XX, so that no value can end early or bring a key of its own.
    void AddQueryItem(std::string_view name, std::string_view value);

    std::string Text() const { return m_beforeFragment + m_fragment; }

  private:
    WebAddress() = default;

    std::string m_beforeFragment;
    std::string m_fragment; // with its "#"
};

// Every byte but the unreserved ones (RFC 3986) as %XX, for a query value
// that can neither end early nor bring a key of its own.
std::string PercentEncode(std::string_view value);
}
