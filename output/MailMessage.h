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
// one @ with text on both sides, at most 254 characters as SMTP carries.
// sendmail -t reads every address in To.
bool IsSingleAddress(std::string_view address);

// A single address of ASCII only: the sender's goes into From as it is,
// which a message without SMTPUTF8 cannot carry otherwise.
bool IsSenderAddress(std::string_view address);

// An RFC 5322 message for `sendmail -i -t`: From, To, Subject, Date,
// Message-ID, MIME-Version and a UTF-8 plain-text body. Headers are folded
// at 78 characters, names and subject that are not plain ASCII, or do not
// fold at their blanks, going as RFC 2047 encoded words. Nothing when a
// header would have to carry CR, LF or NUL, the addresses are not single
// ones, or a header line would pass 998 characters.
std::optional<std::string> BuildMailMessage(const MailParts& parts);

// The mailto: address (RFC 6068) that opens the desktop's mail program on
// the message to the recipient, with its subject and body: UTF-8, every
// byte but the unreserved ones as %XX, line ends as CR LF. Nothing when the
// address is not a single one.
std::optional<std::string> MailtoAddress(const MailParts& parts);
}
