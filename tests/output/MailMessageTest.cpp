#include "output/MailMessage.h"

#include "output/Settings.h"

#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <sstream>

namespace
{
class MailMessageTest : public ::testing::Test
{
  protected:
    void SetUp() override { UseZone("UTC"); }
    static void UseZone(const char* zone)
    {
        setenv("TZ", zone, 1);
        tzset();
    }

    static quillet::MailParts Plain()
    {
        quillet::MailParts parts;
        parts.subject = "Test Results";
        parts.body = "Line one\nLine two";
        parts.recipientAddress = "student@example.org";
        parts.date = 1796739013; // 2026-12-08 14:10:13 UTC
        parts.messageId = "1796739013.42@quillet.local";
        return parts;
    }
};

std::string DecodeBase64(const std::string& text)
{
    static const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    unsigned bits = 0;
    int count = 0;
    for (const char ch : text.substr(0, text.find('=')))
    {
        const std::size_t value = alphabet.find(ch);
        EXPECT_NE(value, std::string::npos) << ch;
        bits = (bits << 6) | static_cast<unsigned>(value);
        if ((count += 6) >= 8)
            out += static_cast<char>((bits >> (count -= 8)) & 0xFF);
    }
    return out;
}

// The header part of a message, each field on one line: unfolding takes out
// the line breaks before blanks.
std::string UnfoldedHeaders(const std::string& message)
{
    std::string headers = message.substr(0, message.find("\n\n") + 1);
    for (std::size_t at; (at = headers.find("\n ")) != std::string::npos;)
        headers.erase(at, 1);
    return headers;
}
}

TEST_F(MailMessageTest, PlainMessageHasExactHeadersAndBody)
{
    const auto message = quillet::BuildMailMessage(Plain());
    ASSERT_TRUE(message);
    EXPECT_EQ(*message, "From: Pellmark Testing <testresults@pellmark.example>\n"
                        "To: Test Result Recipient <student@example.org>\n"
                        "Subject: Test Results\n"
                        "Date: Tue, 08 Dec 2026 14:10:13 +0000\n"
                        "Message-ID: <1796739013.42@quillet.local>\n"
                        "MIME-Version: 1.0\n"
                        "Content-Type: text/plain; charset=UTF-8\n"
                        "Content-Transfer-Encoding: 8bit\n"
                        "\n"
                        "Line one\n"
                        "Line two\n");
}

TEST_F(MailMessageTest, DateIsLocalTimeWithNumericZone)
{
    const char* cases[][2] = {{"EST5", "\nDate: Tue, 08 Dec 2026 09:10:13 -0500\n"},
                              {"IST-5:30", "\nDate: Tue, 08 Dec 2026 19:40:13 +0530\n"}};
    for (const auto& c : cases)
    {
        UseZone(c[0]);
        const auto message = quillet::BuildMailMessage(Plain());
        ASSERT_TRUE(message);
        EXPECT_NE(message->find(c[1]), std::string::npos) << *message;
    }
}

TEST_F(MailMessageTest, LineBreaksAndNulInHeaderFieldsAreRefused)
{
    std::string quillet::MailParts::*const fields[] = {
        &quillet::MailParts::subject, &quillet::MailParts::recipientAddress, &quillet::MailParts::messageId};
    const std::string bad[] = {"\r", "\n", std::string(1, '\0'), "\r\nBcc: x@example.org"};
    for (const auto field : fields)
        for (const auto& insert : bad)
        {
            quillet::MailParts parts = Plain();
            (parts.*field).insert(2, insert);
            SCOPED_TRACE(parts.*field);
            EXPECT_FALSE(quillet::BuildMailMessage(parts));
        }
}

TEST_F(MailMessageTest, OnlyASingleAddressMakesAMessage)
{
    quillet::MailParts parts = Plain();
    parts.recipientAddress = "ann.lee+tests@school.example";
    const auto message = quillet::BuildMailMessage(parts);
    ASSERT_TRUE(message);
    EXPECT_NE(message->find("\nTo: Test Result Recipient <ann.lee+tests@school.example>\n"),
              std::string::npos);
    for (const char* typed :
         {"john doe@example .com", "teacher@school.example>, spy@evil.example, <x@y.example", "a@b;c@d",
          "<a@b>", "\"a\"@b", "a@b@c", "@b", "a@", "a@b\tc", "plain"})
    {
        parts.recipientAddress = typed;
        EXPECT_FALSE(quillet::BuildMailMessage(parts)) << typed;
    }
}

TEST_F(MailMessageTest, NonAsciiSubjectIsEncodedWordsThatDecodeBack)
{
    const std::string mixed = "Pr\xC3\xBC"
                              "fung f\xC3\xBCr Zo\xC3\xAB \xE2\x80\x93 \xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E "
                              "\xF0\x9F\x93\x9D Ergebnisse ";
    const std::string cases[][2] = {
        {mixed + mixed + mixed, mixed + mixed + mixed},
        // Windows-1252 text of an old bank: é and the curly quotes.
        {"Caf\xE9 \x93Quiz\x94", "Caf\xC3\xA9 \xE2\x80\x9CQuiz\xE2\x80\x9D"},
        // Plain text that a reader would take for an encoded word.
        {"=?x?= Results", "=?x?= Results"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c[1]);
        quillet::MailParts parts = Plain();
        parts.subject = c[0];
        const auto message = quillet::BuildMailMessage(parts);
        ASSERT_TRUE(message);
        const std::size_t start = message->find("\nSubject: ") + 10;
        const std::size_t end = message->find("\nDate: ");
        ASSERT_LT(start, end);
        std::string decoded;
        int words = 0;
        // Words are folded onto lines of their own that start with a blank.
        for (std::size_t at = start; at < end; at += 2, ++words)
        {
            const std::size_t wordEnd = message->find('\n', at);
            const std::string word = message->substr(at, wordEnd - at);
            EXPECT_LE(word.size(), 75u);
            ASSERT_EQ(word.rfind("=?UTF-8?B?", 0), 0u) << word;
            ASSERT_EQ(word.substr(word.size() - 2), "?=") << word;
            const std::string piece = DecodeBase64(word.substr(10, word.size() - 12));
            ASSERT_FALSE(piece.empty());
            EXPECT_NE(static_cast<unsigned char>(piece[0]) & 0xC0, 0x80) << "word starts inside a character";
            decoded += piece;
            at = wordEnd;
            if (at < end)
            {
                EXPECT_EQ((*message)[at + 1], ' ');
            }
        }
        EXPECT_EQ(decoded, c[1]);
        EXPECT_GE(words, c[1].size() > 45 ? 2 : 1);
    }
}

TEST_F(MailMessageTest, BodyBecomesUtf8WithLfLineEnds)
{
    const std::string cases[][2] = {
        {"a\r\nb\rc", "a\nb\nc\n"},
        {"", ""},
        {"Caf\xE9 \x80 5", "Caf\xC3\xA9 \xE2\x82\xAC 5\n"},
        {"kept \xC3\xA9 \xF0\x9F\x93\x9D\n", "kept \xC3\xA9 \xF0\x9F\x93\x9D\n"},
        // A cut sequence, overlong forms and a surrogate are not UTF-8.
        {"\xE2\x82", "\xC3\xA2\xE2\x80\x9A\n"},
        {"\xC0\xAF", "\xC3\x80\xC2\xAF\n"},
        {"\xE0\x80\x80", "\xC3\xA0\xE2\x82\xAC\xE2\x82\xAC\n"},
        {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xE2\x82\xAC\n"},
        {std::string("a\0b", 3), "ab\n"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c[1]);
        quillet::MailParts parts = Plain();
        parts.body = c[0];
        const auto message = quillet::BuildMailMessage(parts);
        ASSERT_TRUE(message);
        EXPECT_EQ(message->substr(message->find("\n\n") + 2), c[1]);
    }
}

TEST_F(MailMessageTest, HeadersFoldAt78AndUnfoldToTheNameGiven)
{
    const auto repeat = [](const std::string& word, int times)
    {
        std::string text = word;
        while (--times > 0)
            text += ' ' + word;
        return text;
    };
    const struct
    {
        std::string name;
        std::string shown; // the display name unfolded; empty for encoded words
    } rows[] = {
        {repeat("Pellmark", 1200), repeat("Pellmark", 1200)},
        {repeat("Smith, J. (Lab 4)", 500), '"' + repeat("Smith, J. (Lab 4)", 500) + '"'},
        {std::string(10000, 'x'), ""},
        {repeat("Pr\u00fcfungsamt", 800), ""},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.name.substr(0, 20));
        quillet::MailParts parts = Plain();
        parts.senderName = row.name;
        const auto message = quillet::BuildMailMessage(parts);
        ASSERT_TRUE(message);
        std::istringstream lines(message->substr(0, message->find("\n\n")));
        for (std::string line; std::getline(lines, line);)
            EXPECT_LE(line.size(), 78u) << line;
        const std::string unfolded = UnfoldedHeaders(*message);
        const std::string shown = unfolded.substr(6, unfolded.find(" <testresults@pellmark.example>\n") - 6);
        if (!row.shown.empty())
        {
            EXPECT_EQ(shown, row.shown);
            continue;
        }
        std::string decoded;
        std::istringstream words(shown);
        for (std::string word; words >> word;)
        {
            ASSERT_EQ(word.rfind("=?UTF-8?B?", 0), 0u) << word;
            decoded += DecodeBase64(word.substr(10, word.size() - 12));
        }
        EXPECT_EQ(decoded, row.name);
    }
}

TEST_F(MailMessageTest, AddressesAreASCIIForTheSenderAndOfAtMost254Characters)
{
    const std::string domain = "@example.org"; // 12 characters
    const struct
    {
        std::string recipient, sender;
        bool built;
    } rows[] = {
        {std::string(242, 'a') + domain, quillet::kMailSenderAddress, true},
        {std::string(243, 'a') + domain, quillet::kMailSenderAddress, false},
        {std::string(10000, 'a') + domain, quillet::kMailSenderAddress, false},
        {"student@example.org", "pr\u00fcfung@schule.example", false},
        {"sch\u00fcler@example.org", quillet::kMailSenderAddress, true},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.recipient.substr(0, 20) + " from " + row.sender);
        quillet::MailParts parts = Plain();
        parts.recipientAddress = row.recipient;
        parts.senderAddress = row.sender;
        const auto message = quillet::BuildMailMessage(parts);
        ASSERT_EQ(message.has_value(), row.built);
        if (message)
        {
            EXPECT_NE(UnfoldedHeaders(*message).find("\nTo: Test Result Recipient <" + row.recipient + ">\n"),
                      std::string::npos)
                << *message;
        }
    }
    // The settings pass such a sender over, and say where it came from.
    setenv("XDG_CONFIG_HOME", "/nonexistent", 1);
    setenv(quillet::kSenderAddressVariable, "pr\u00fcfung@schule.example", 1);
    const quillet::ResultsSettings settings = quillet::ReadResultsSettings();
    unsetenv(quillet::kSenderAddressVariable);
    EXPECT_EQ(settings.senderAddress, quillet::kMailSenderAddress);
    EXPECT_EQ(settings.problems,
              std::vector<std::string>{"QUILLET_MAIL_FROM is not usable: \"pr\u00fcfung@schule.example\""});

    // Nothing that cannot be folded may pass 998 characters on its line.
    quillet::MailParts parts = Plain();
    parts.messageId = std::string(1000, 'm') + "@quillet.local";
    EXPECT_FALSE(quillet::BuildMailMessage(parts));
}

TEST_F(MailMessageTest, MailtoAddressCarriesRecipientSubjectAndBodyEncoded)
{
    quillet::MailParts parts = Plain();
    parts.subject = "Test Results: Zo\xC3\xAB, A&B=C, 17/20";
    parts.body = "Line one\nLine 2 ?#%\n";
    EXPECT_EQ(quillet::MailtoAddress(parts),
              "mailto:student@example.org?subject=Test%20Results%3A%20Zo%C3%AB%2C%20A%26B%3DC%2C%2017%2F20"
              "&body=Line%20one%0D%0ALine%202%20%3F%23%25%0D%0A");
    // The recipient is as typed, its own characters encoded; never two of them.
    parts.recipientAddress = "o.neil+x@example.org";
    EXPECT_EQ(quillet::MailtoAddress(parts)->rfind("mailto:o.neil%2Bx@example.org?subject=", 0), 0u);
    parts.recipientAddress = "a@example.org, b@example.org";
    EXPECT_EQ(quillet::MailtoAddress(parts), std::nullopt);
}
