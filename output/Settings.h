#pragma once

#include <string>
#include <vector>

// What an administrator may set for where results go: the national-average
// page and the sender of the results e-mail. The built-in defaults, then
// $XDG_CONFIG_HOME/quillet/quillet.ini, section [Results], then the
// environment; a value that cannot be used is passed over and named.
namespace quillet
{
struct ResultsSettings
{
    std::string nationalAverageAddress;
    std::string senderName;
    std::string senderAddress;
    // One sentence for each value passed over, naming where it came from.
    std::vector<std::string> problems;
};

inline constexpr const char* kSettingsSection = "Results";
inline constexpr const char* kNationalAverageKey = "NationalAverageAddress";
inline constexpr const char* kSenderNameKey = "MailSenderName";
inline constexpr const char* kSenderAddressKey = "MailSenderAddress";
inline constexpr const char* kNationalAverageVariable = "QUILLET_NATIONAL_AVERAGE_URL";
inline constexpr const char* kSenderNameVariable = "QUILLET_MAIL_FROM_NAME";
inline constexpr const char* kSenderAddressVariable = "QUILLET_MAIL_FROM";

// Read afresh at each call, so that a change applies to the next send.
ResultsSettings ReadResultsSettings();
}
