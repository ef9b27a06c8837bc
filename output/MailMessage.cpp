#include "output/MailMessage.h"

#include <algorithm>

#include "output/WebAddress.h"
#include "platform/Text.h"

#include <string_view>

namespace
{
// An encoded word is at most 75 characters (RFC 2047): its frame "=?UTF-8?B?"
// and "?=" leaves 63, 60 of base64, for 45 bytes of text.
constexpr std::size_t kEncodedWordLength = 75;
constexpr std::size_t kEncodedWordFrame = 12;
// Header lines are folded at 78 characters (RFC 5322); only an address, which
// cannot be folded, makes one longer, and no line may pass 998.
constexpr std::size_t kFoldAt = 78;
constexpr std::size_t kLongestLine = 998;
// The longest path SMTP carries (RFC 5321), less its angle brackets.
constexpr std::size_t kLongestAddress = 254;

bool IsPlainHeaderText(std::string_view text)
{
    for (const char ch : text)
    {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c > 0x7E)
            return false;
    }
    // Plain text that looks like an encoded word would be decoded by readers.
    return text.find("=?") == std::string_view::npos;
}

// Plain text as a display name: a quoted string when it holds characters
// that would end the phrase.
std::string PlainPhrase(const std::string& name)
{
    if (name.find_first_of("()<>[]:;@\\,.\"") == std::string::npos)
        return name;
    std::string quoted = "\"";
    for (const char ch : name)
    {
        if (ch == '"' || ch == '\\')
            quoted += '\\';
        quoted += ch;
    }
    return quoted + "\"";
}

// Whether plain text folds at its blanks into lines of 78: single blanks
// between words, none at either end (a fold there would leave a blank line
// or lose a blank), and no word longer than a folded line.
bool FoldsAtBlanks(std::string_view text)
{
    if (text.empty() || text.front() == ' ' || text.back() == ' ' ||
        text.find("  ") != std::string_view::npos)
        return false;
    for (std::size_t start = 0; start < text.size();)
    {
        const std::size_t end = std::min(text.find(' ', start), text.size());
        if (end - start > kFoldAt - 1)
            return false;
        start = end + 1;
    }
    return true;
}

// One header field as it is written: each piece after a blank, on a new line
// when the current one would pass 78 characters (RFC 5322 folding).
class HeaderField
{
  public:
    explicit HeaderField(std::string_view name) : m_text(name) { m_text += ':'; }

    void Add(std::string_view piece)
    {
        if (LineLength() + 1 + piece.size() > kFoldAt)
        {
            m_text += '\n'; // sendmail reads LF-terminated lines
            m_lineStart = m_text.size();
        }
        m_text += ' ';
        m_text += piece;
    }

    // Text as its plain words when they fold, else as RFC 2047 encoded words.
    void AddText(const std::string& text, bool phrase)
    {
        if (text.empty())
        {
            Add(text);
            return;
        }
        if (IsPlainHeaderText(text))
        {
            const std::string plain = phrase ? PlainPhrase(text) : text;
            if (FoldsAtBlanks(plain))
            {
                for (std::size_t start = 0; start < plain.size();)
                {
                    const std::size_t end = std::min(plain.find(' ', start), plain.size());
                    Add(std::string_view(plain).substr(start, end - start));
                    start = end + 1;
                }
                return;
            }
        }
        AddEncodedWords(text);
    }

    std::string Line() const { return m_text + '\n'; }

  private:
    std::size_t LineLength() const { return m_text.size() - m_lineStart; }

    // Bytes of text that an encoded word of at most `length` characters holds.
    static std::size_t WordBytes(std::size_t length)
    {
        length = std::min(length, kEncodedWordLength);
        return length < kEncodedWordFrame ? 0 : (length - kEncodedWordFrame) / 4 * 3;
    }

    // Each word filling what is left of its line; whole characters only, as
    // a word must decode to valid UTF-8 on its own.
    void AddEncodedWords(const std::string& text)
    {
        const std::string utf8 = quillet::TextToUtf8(text);
        for (std::size_t start = 0; start < utf8.size();)
        {
            const std::size_t left = kFoldAt - std::min(kFoldAt, LineLength() + 1);
            std::size_t budget = WordBytes(left);
            if (budget < quillet::Utf8SequenceLength(utf8, start))
                budget = WordBytes(kFoldAt - 1);
            std::size_t end = start;
            while (end < utf8.size())
            {
                const std::size_t length = quillet::Utf8SequenceLength(utf8, end);
                if (end + length - start > budget)
                    break;
                end += length;
            }
            Add("=?UTF-8?B?" + quillet::Base64(std::string_view(utf8).substr(start, end - start)) + "?=");
            start = end;
        }
    }

    std::string m_text;
    std::size_t m_lineStart = 0;
};

bool HoldsLineBreakOrNul(std::string_view text)
{
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// LF line ends throughout, no NUL (not allowed in 8bit text), and a final line end.
std::string MailBody(std::string_view text)
{
    const std::string utf8 = quillet::TextToUtf8(text);
    std::string out;
    out.reserve(utf8.size() + 1);
    for (std::size_t i = 0; i < utf8.size(); ++i)
    {
        if (utf8[i] == '\r')
        {
            out += '\n';
            if (i + 1 < utf8.size() && utf8[i + 1] == '\n')
                ++i;
        }
        else if (utf8[i] != '\0')
        {
            out += utf8[i];
        }
    }
    if (!out.empty() && out.back() != '\n')
        out += '\n';
    return out;
}
}

namespace quillet
{
bool IsSingleAddress(std::string_view address)
{
    const std::size_t at = address.find('@');
    if (address.size() > kLongestAddress || at == 0 || at == std::string_view::npos ||
        at + 1 == address.size() || address.find('@', at + 1) != std::string_view::npos)
        return false;
    return std::none_of(address.begin(), address.end(),
                        [](char c)
                        {
                            const auto u = static_cast<unsigned char>(c);
                            return u <= ' ' || u == 0x7F ||
                                   std::string_view(",;<>\"'()[]\\").find(c) != std::string_view::npos;
                        });
}

bool IsSenderAddress(std::string_view address)
{
    return IsSingleAddress(address) &&
           std::all_of(address.begin(), address.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::optional<std::string> BuildMailMessage(const MailParts& parts)
{
    if (HoldsLineBreakOrNul(parts.subject) || !IsSingleAddress(parts.recipientAddress) ||
        HoldsLineBreakOrNul(parts.messageId) || HoldsLineBreakOrNul(parts.senderName) ||
        !IsSenderAddress(parts.senderAddress))
        return std::nullopt;

    HeaderField from("From");
    from.AddText(parts.senderName, true);
    from.Add("<" + parts.senderAddress + ">");
    // The address goes on exactly as typed; only the mail system judges it.
    HeaderField to("To");
    to.AddText(kMailRecipientName, true);
    to.Add("<" + parts.recipientAddress + ">");
    HeaderField subject("Subject");
    subject.AddText(parts.subject, false);
    HeaderField messageId("Message-ID");
    messageId.Add("<" + parts.messageId + ">");

    std::string message = from.Line() + to.Line() + subject.Line();
    message += "Date: " + FormatLocalTime(parts.date, "%a, %d %b %Y %H:%M:%S %z") + "\n";
    message += messageId.Line();
    message += "MIME-Version: 1.0\n";
    message += "Content-Type: text/plain; charset=UTF-8\n";
    message += "Content-Transfer-Encoding: 8bit\n";
    for (std::size_t start = 0, end = 0; start < message.size(); start = end + 1)
    {
        end = message.find('\n', start);
        if (end - start > kLongestLine)
            return std::nullopt;
    }
    message += "\n";
    message += MailBody(parts.body);
    return message;
}

std::optional<std::string> MailtoAddress(const MailParts& parts)
{
    if (!IsSingleAddress(parts.recipientAddress))
        return std::nullopt;
    std::string to = PercentEncode(TextToUtf8(parts.recipientAddress));
    to.replace(to.find("%40"), 3, "@");
    std::string body;
    for (const char c : MailBody(parts.body))
        body += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return "mailto:" + to + "?subject=" + PercentEncode(TextToUtf8(parts.subject)) +
           "&body=" + PercentEncode(body);
}
}
