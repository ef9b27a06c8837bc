#include "output/MailMessage.h"

#include <cstdint>
#include <string_view>

namespace
{
// Windows-1252 0x80..0x9F; the five unassigned bytes keep their C1 code point.
constexpr char32_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// The encoded-word frame "=?UTF-8?B?" + "?=" leaves 63 of the 75 characters,
// 60 of base64, for 45 bytes of text.
constexpr std::size_t kEncodedWordBytes = 45;

void AppendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80)
    {
        out += static_cast<char>(cp);
    }
    else if (cp < 0x800)
    {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
    else
    {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Length of the well-formed UTF-8 sequence at text[at], or 0 when there is
// none there (stray continuation, overlong form, surrogate, beyond U+10FFFF).
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
    {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    }
    else if (lead >= 0xF0 && lead <= 0xF4)
    {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    }
    else
        return 0;
    if (at + length > text.size())
        return 0;
    if (byte(at + 1) < low || byte(at + 1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (byte(at + i) < 0x80 || byte(at + i) > 0xBF)
            return 0;
    return length;
}

// Old banks and record files are Windows-1252; newer text is UTF-8. Keep
// every well-formed UTF-8 sequence and read any other byte as Windows-1252.
std::string ToUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();)
    {
        const std::size_t length = Utf8SequenceLength(text, i);
        if (length > 0)
        {
            out.append(text, i, length);
            i += length;
            continue;
        }
        const auto c = static_cast<unsigned char>(text[i++]);
        AppendUtf8(out, c < 0xA0 ? kCp1252High[c - 0x80] : static_cast<char32_t>(c));
    }
    return out;
}

std::string Base64(std::string_view bytes)
{
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 3)
    {
        std::uint32_t group = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size())
            group |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size())
            group |= static_cast<unsigned char>(bytes[i + 2]);
        out += kAlphabet[(group >> 18) & 0x3F];
        out += kAlphabet[(group >> 12) & 0x3F];
        out += i + 1 < bytes.size() ? kAlphabet[(group >> 6) & 0x3F] : '=';
        out += i + 2 < bytes.size() ? kAlphabet[group & 0x3F] : '=';
    }
    return out;
}

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

bool HoldsLineBreakOrNul(std::string_view text)
{
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// A display name: encoded words, or a quoted string when plain text holds
// characters that would end the phrase.
std::string DisplayName(const std::string& name)
{
    std::string text = quillet::EncodeHeaderText(name);
    if (text != name || name.find_first_of("()<>[]:;@\\,.\"") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (const char ch : name)
    {
        if (ch == '"' || ch == '\\')
            quoted += '\\';
        quoted += ch;
    }
    return quoted + "\"";
}

// LF line ends throughout, no NUL (not allowed in 8bit text), and a final line end.
std::string MailBody(std::string_view text)
{
    const std::string utf8 = ToUtf8(text);
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
std::string EncodeHeaderText(const std::string& text)
{
    if (IsPlainHeaderText(text))
        return text;
    const std::string utf8 = ToUtf8(text);
    std::string out;
    std::size_t start = 0;
    while (start < utf8.size())
    {
        // Whole characters only: a word must decode to valid UTF-8 on its own.
        std::size_t end = start;
        while (end < utf8.size())
        {
            const std::size_t length = Utf8SequenceLength(utf8, end);
            if (end + length - start > kEncodedWordBytes)
                break;
            end += length;
        }
        if (!out.empty())
            out += "\n "; // folded: sendmail reads LF-terminated lines
        out += "=?UTF-8?B?" + Base64(std::string_view(utf8).substr(start, end - start)) + "?=";
        start = end;
    }
    return out;
}

std::optional<std::string> BuildMailMessage(const MailParts& parts)
{
    if (HoldsLineBreakOrNul(parts.subject) || HoldsLineBreakOrNul(parts.recipientAddress) ||
        HoldsLineBreakOrNul(parts.messageId))
        return std::nullopt;

    std::string message;
    message += "From: " + DisplayName(kMailSenderName) + " <" + kMailSenderAddress + ">\n";
    // The address goes on exactly as typed; only the mail system judges it.
    message += "To: " + DisplayName(kMailRecipientName) + " <" + parts.recipientAddress + ">\n";
    message += "Subject: " + EncodeHeaderText(parts.subject) + "\n";
    message += "Date: " + FormatLocalTime(parts.date, "%a, %d %b %Y %H:%M:%S %z") + "\n";
    message += "Message-ID: <" + parts.messageId + ">\n";
    message += "MIME-Version: 1.0\n";
    message += "Content-Type: text/plain; charset=UTF-8\n";
    message += "Content-Transfer-Encoding: 8bit\n";
    message += "\n";
    message += MailBody(parts.body);
    return message;
}
}
