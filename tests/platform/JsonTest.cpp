#include <gtest/gtest.h>

#include <string>

#include "platform/Json.h"

using namespace std::string_literals;

// Callers that build JSON by hand append to text already there; whatever
// the bytes, the literal must be valid JSON and give the bytes back.
TEST(JsonString, AppendsOneLiteralAfterWhatIsThere)
{
    const struct
    {
        std::string bytes;
        std::string expected;
    } cases[] = {
        {"", R"(["",)"},
        {"say \"hi\" \\ /", R"(["say \"hi\" \\ /",)"},
        {"\b\f\n\r\t\x01\x1f\x7f"s, "[\"\\b\\f\\n\\r\\t\\u0001\\u001f\x7f\","},
        {"a\0b"s, R"(["a\u0000b",)"},
        {"caf\xc3\xa9 \xf0\x9f\x98\x80", "[\"caf\xc3\xa9 \xf0\x9f\x98\x80\","},
        // Windows-1252, an overlong form, a surrogate, a sequence cut at the end.
        {"\xe9\xc0\xaf\xed\xa0\x80\xe2\x82", R"(["\u00e9\u00c0\u00af\u00ed\u00a0\u0080\u00e2\u0082",)"},
    };
    for (const auto& c : cases)
    {
        std::string out = "[";
        quillet::json::AppendString(out, c.bytes);
        out += ',';
        EXPECT_EQ(out, c.expected) << c.bytes;
    }
}

TEST(JsonWriter, EscapesKeysAsStringsAndPlacesCommas)
{
    quillet::json::Writer out;
    out.BeginObject().Key("a\"b").String("\xff").Key("n").BeginArray();
    out.Number(-3).Fixed(625, 3).Bool(false).Null().BeginObject().EndObject().EndArray().EndObject();
    EXPECT_EQ(out.Text(), R"({"a\"b":"\u00ff","n":[-3,0.625,false,null,{}]})");
}
