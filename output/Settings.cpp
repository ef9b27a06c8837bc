#include "output/Settings.h"

#include <cstdlib>

#include "output/MailMessage.h"
#include "output/ResultsText.h"
#include "output/WebAddress.h"
#include "platform/Folders.h"
#include "platform/IniFile.h"

namespace quillet
{
namespace
{
bool IsWebAddress(const std::string& text)
{
    return WebAddress::Parse(text).has_value();
}

bool IsSenderName(const std::string& text)
{
    return text.find_first_of("\r\n") == std::string::npos && text.find('\0') == std::string::npos;
}

// The ini's value, then the environment's, each kept only when `usable`.
void Choose(std::string& value, const std::string& path, const char* key, const char* variable,
            bool (*usable)(const std::string&), std::vector<std::string>& problems)
{
    if (const std::string set = ini::ReadValue(path, kSettingsSection, key); !set.empty())
    {
        if (usable(set))
            value = set;
        else
            problems.push_back(std::string(key) + " in " + path + " is not usable: \"" + set + "\"");
    }
    if (const char* set = std::getenv(variable); set && *set)
    {
        if (usable(set))
            value = set;
        else
            problems.push_back(std::string(variable) + " is not usable: \"" + set + "\"");
    }
}
}

ResultsSettings ReadResultsSettings()
{
    ResultsSettings settings{kNationalAverageAddress, kMailSenderName, kMailSenderAddress, {}};
    const std::string path = SettingsPath();
    Choose(settings.nationalAverageAddress, path, kNationalAverageKey, kNationalAverageVariable, IsWebAddress,
           settings.problems);
    Choose(settings.senderName, path, kSenderNameKey, kSenderNameVariable, IsSenderName, settings.problems);
    Choose(
        settings.senderAddress, path, kSenderAddressKey, kSenderAddressVariable,
        [](const std::string& text) { return IsSenderAddress(text); }, settings.problems);
    return settings;
}
}
