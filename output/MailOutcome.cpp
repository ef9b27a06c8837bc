#include "output/MailOutcome.h"

#include "output/ResultsText.h"

namespace quillet
{
const char* MailFailureText(MailOutcome outcome)
{
    switch (outcome)
    {
    case MailOutcome::NoMailer:
        return kMailLoadFailed;
    case MailOutcome::InvalidMailer:
        return kMailInvalid;
    case MailOutcome::SendFailed:
        return kMailSendFailed;
    case MailOutcome::LogonFailed:
        return kMailLoginRefused;
    case MailOutcome::TimedOut:
        return kMailTimedOut;
    case MailOutcome::NotHandedOver:
        return kMailNoClient;
    case MailOutcome::Sent:
    case MailOutcome::Cancelled:
    case MailOutcome::HandedOver:
        break;
    }
    return nullptr;
}

MailReport ReportMail(MailOutcome outcome, const std::string& address)
{
    if (outcome == MailOutcome::Sent)
        return {"Results sent to " + address + ".", false};
    if (outcome == MailOutcome::HandedOver)
        return {"Your mail program opens a message with the results to " + address +
                    ": check it and press Send there.",
                false};
    const char* failure = MailFailureText(outcome);
    if (!failure)
        return {};
    std::string text = failure;
    // The timed-out sentence says so already.
    if (outcome != MailOutcome::TimedOut)
        text += " The results were not sent.";
    return {text, true};
}

std::string MailCopyText(const std::string& address, const std::string& subject, const std::string& body)
{
    return "To: " + address + "\nSubject: " + subject + "\n\n" + body;
}

std::string MailCopiedText(const std::string& address, const std::string& pdfPath)
{
    std::string text = "The results are copied: paste them into a new message to " + address + ".";
    if (!pdfPath.empty())
        text += "\nAttach " + SavedFileText(pdfPath) + ".";
    return text;
}
}
