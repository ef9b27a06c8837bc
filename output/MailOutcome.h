#pragma once

#include <string>

namespace quillet
{
// How a send ended.
enum class MailOutcome
{
    Sent,
    LogonFailed,   // the mail server refused the login (exit status 77)
    NoMailer,      // no mail program, nor a desktop opener: the load-failure message
    InvalidMailer, // found but not runnable: the invalid-library message
    SendFailed,    // anything else: the send-failure message
    TimedOut,      // still running at the deadline: stopped
    Cancelled,     // the student cancelled the send: stopped, nothing said
    HandedOver,    // no mail program: the desktop's mail client has the message, to send
    NotHandedOver, // no mail program, and the desktop opened no mail client
};

inline constexpr const char* kMailLoadFailed =
    "There is no mail program to send the results with, on this computer or on its desktop.";
inline constexpr const char* kMailInvalid = "Mail system DLL is invalid.";
inline constexpr const char* kMailSendFailed = "Send Mail failed to send message.";
inline constexpr const char* kMailLoginRefused =
    "The mail server refused the login: the e-mail account of this computer needs checking.";
inline constexpr const char* kMailTimedOut =
    "The mail program did not finish within a minute and was stopped. The results were not sent.";
inline constexpr const char* kMailNoClient = "No mail program on this desktop could open a message.";
inline constexpr const char* kMailSending = "Sending\xE2\x80\xA6";

// The sentence that tells the student why nothing was sent; null when
// nothing failed (sent, handed over or cancelled).
const char* MailFailureText(MailOutcome outcome);

// What the window tells after a send to `address`: empty when cancelled.
// After a failure it offers the copy (kMailCopyQuestion), for the student
// to send the results from any mail program, with a PDF file to attach.
struct MailReport
{
    std::string text;
    bool offersCopy = false;
};
inline constexpr const char* kMailCopyQuestion =
    "Copy the results for another mail program, and save a PDF file to attach?";
MailReport ReportMail(MailOutcome outcome, const std::string& address);

// What goes on the clipboard when the mail was not sent: the address and
// subject to copy, then the results.
std::string MailCopyText(const std::string& address, const std::string& subject, const std::string& body);

// Tells where the copy went: pasted into a message to `address`, with the
// PDF file `pdfPath` attached when one was saved (empty: none).
std::string MailCopiedText(const std::string& address, const std::string& pdfPath);
}
