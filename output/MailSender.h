#pragma once

class CResultsDoc;
class QWidget;

namespace quillet
{
// How a send ended.
enum class MailOutcome
{
    Sent,
    LogonFailed,   // the mail program refused the login: nothing is said
    NoMailer,      // no mail program: the load-failure message
    InvalidMailer, // found but not runnable: the invalid-library message
    SendFailed,    // anything else: the send-failure message
};

inline constexpr const char* kMailLoadFailed = "Unable to load mail system support.";
inline constexpr const char* kMailInvalid = "Mail system DLL is invalid.";
inline constexpr const char* kMailSendFailed = "Send Mail failed to send message.";

// Sends the report's results text to its address through the system's
// sendmail interface ($QUILLET_SENDMAIL, else /usr/sbin/sendmail, else
// /usr/lib/sendmail, looked up at every send), with the wait cursor showing
// and `window` held still while it runs; reports a failure over `window`.
MailOutcome SendResults(const CResultsDoc& doc, QWidget* window);
}
