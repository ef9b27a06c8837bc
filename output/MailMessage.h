#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/TimeText.h"

namespace quillet
{
inline constexpr const char* kMailSenderName = "Pellmark Testing";
inline constexpr const char* kMailSenderAddress = "testresults@pellmark.example";
inline constexpr const char* kMailRecipientName = "Test Result Recipient";

struct MailParts
{
    std::string subject;
    std::string body;
    std::string recipientAddress; // as the student typed it
    TimeStamp date = 0;
    std::string messageId; // without the angle brackets
    std::string senderName = kMailSenderName;
    std::string senderAddress = kMailSenderAddress;
};

inline constexpr const char* kOneAddressPlease = "Please enter one e-mail address, like name@example.org.";

// Whether the text is one address, local@domain, and nothing else: no
// blanks, commas, semicolons, angle brackets, quotes or control characters,
// one @ with text on both sides. sendmail -t reads every address in To.
bool IsSingleAddress(std::string_view address);

// An RFC 5322 message for `sendmail -i -t`: From, To, Subject, Date,
// Message-ID, MIME-Version and a UTF-8 plain-text body. Nothing when a header
// would have to carry CR, LF or NUL, or the address is not a single one.
std::optional<std::string> BuildMailMessage(const MailParts& parts);

// A header value as RFC 2047 encoded words when it is not plain ASCII.
std::string EncodeHeaderText(const std::string& text);
}
