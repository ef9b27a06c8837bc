#include "output/MailMessage.h"

#include <algorithm>

#include "platform/Text.h"

#include <cstdint>
#include <string_view>

namespace
{
// The encoded-word frame "=?UTF-8?B?" + "?=" leaves 63 of the 75 characters,
// 60 of base64, for 45 bytes of text.
constexpr std::size_t kEncodedWordBytes = 45;

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
std::string EncodeHeaderText(const std::string& text)
{
    if (IsPlainHeaderText(text))
        return text;
    const std::string utf8 = quillet::TextToUtf8(text);
    std::string out;
    std::size_t start = 0;
    while (start < utf8.size())
    {
        // Whole characters only: a word must decode to valid UTF-8 on its own.
        std::size_t end = start;
        while (end < utf8.size())
        {
            const std::size_t length = quillet::Utf8SequenceLength(utf8, end);
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

bool IsSingleAddress(std::string_view address)
{
    const std::size_t at = address.find('@');
    if (at == 0 || at == std::string_view::npos || at + 1 == address.size() ||
        address.find('@', at + 1) != std::string_view::npos)
        return false;
    return std::none_of(address.begin(), address.end(),
                        [](char c)
                        {
                            const auto u = static_cast<unsigned char>(c);
                            return u <= ' ' || u == 0x7F ||
                                   std::string_view(",;<>\"'()[]\\").find(c) != std::string_view::npos;
                        });
}

std::optional<std::string> BuildMailMessage(const MailParts& parts)
{
    if (HoldsLineBreakOrNul(parts.subject) || !IsSingleAddress(parts.recipientAddress) ||
        HoldsLineBreakOrNul(parts.messageId) || HoldsLineBreakOrNul(parts.senderName) ||
        !IsSingleAddress(parts.senderAddress))
        return std::nullopt;

    std::string message;
    message += "From: " + DisplayName(parts.senderName) + " <" + parts.senderAddress + ">\n";
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
