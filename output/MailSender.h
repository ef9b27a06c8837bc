#pragma once

class CResultsDoc;
class QWidget;

namespace quillet
{
// How a send ended.
enum class MailOutcome
{
    Sent,
    LogonFailed,   // the mail server refused the login (exit status 77)
    NoMailer,      // no mail program: the load-failure message
    InvalidMailer, // found but not runnable: the invalid-library message
    SendFailed,    // anything else: the send-failure message
};

inline constexpr const char* kMailLoadFailed = "Unable to load mail system support.";
inline constexpr const char* kMailInvalid = "Mail system DLL is invalid.";
inline constexpr const char* kMailSendFailed = "Send Mail failed to send message.";
inline constexpr const char* kMailLoginRefused =
    "The mail server refused the login: the e-mail account of this computer needs checking.";

// Sends the report's results text to its address through the system's
// sendmail interface ($QUILLET_SENDMAIL, else /usr/sbin/sendmail, else
// /usr/lib/sendmail, looked up at every send), with the wait cursor showing
// and `window` held still while it runs; reports a failure over `window`.
MailOutcome SendResults(const CResultsDoc& doc, QWidget* window);
}
