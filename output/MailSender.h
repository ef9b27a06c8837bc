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
    TimedOut,      // still running at the deadline: stopped
    Cancelled,     // the student cancelled the send: stopped, nothing said
    HandedOver,    // no mail program: the desktop's mail client has the message, to send
};

inline constexpr const char* kMailLoadFailed =
    "There is no mail program to send the results with, on this computer or on its desktop.";
inline constexpr const char* kMailInvalid = "Mail system DLL is invalid.";
inline constexpr const char* kMailSendFailed = "Send Mail failed to send message.";
inline constexpr const char* kMailLoginRefused =
    "The mail server refused the login: the e-mail account of this computer needs checking.";
inline constexpr const char* kMailTimedOut =
    "The mail program did not finish within a minute and was stopped. The results were not sent.";
inline constexpr const char* kMailSending = "Sending\xE2\x80\xA6";

// Sends the report's results text to its address through the system's
// sendmail interface ($QUILLET_SENDMAIL, else /usr/sbin/sendmail, else
// /usr/lib/sendmail, looked up at every send). The event loop runs meanwhile:
// a "Sending…" box over `window`, with the wait cursor, offers Cancel, and a
// mail program still running at the deadline is stopped. Without one, the
// desktop's mail client is opened on the message (a mailto: address), for
// the student to send. Tells nothing of how it ended: the window does, in
// its own boxes.
MailOutcome SendResults(const CResultsDoc& doc, QWidget* window);

// The sentence that tells the student why nothing was sent; null when
// nothing failed (sent, handed over or cancelled).
const char* MailFailureText(MailOutcome outcome);

// How long a mail program may run; a minute unless a test shortens it.
void SetMailDeadline(int milliseconds);
}
