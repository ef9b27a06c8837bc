#pragma once

#include <string>
#include <string_view>

namespace quillet::json
{
// Appends a JSON string literal for bytes of unknown encoding: valid UTF-8
// passes through, every other byte becomes \u00XX so that nothing is lost
// or replaced. For a caller that builds its JSON by hand; Writer uses it.
void AppendString(std::string& out, std::string_view bytes);

// units / 10^decimals written out exactly, as JSON and text both show it:
// FixedText(625, 3) is "0.625", FixedText(-5, 1) "-0.5".
std::string FixedText(long long units, int decimals);

// Appends compact JSON, with commas placed by the writer.
class Writer
{
  public:
    Writer& BeginObject();
    Writer& EndObject();
    Writer& BeginArray();
    Writer& EndArray();
    Writer& Key(std::string_view key);
    Writer& String(std::string_view bytes);
    Writer& Number(long long value);
    Writer& Fixed(long long units, int decimals);
    Writer& Bool(bool value);
    Writer& Null();

    const std::string& Text() const { return m_text; }

  private:
    void BeforeValue();

    std::string m_text;
    bool m_needComma = false;
};
}
