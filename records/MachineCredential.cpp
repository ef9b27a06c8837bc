#include "records/MachineCredential.h"

#include <cstdlib>

#include "platform/Files.h"
#include "platform/IniFile.h"

namespace quillet
{
namespace
{
constexpr const char* kSection = "Records";
// A few lines; anything much larger is no credential.
constexpr std::size_t kLargest = 64 * 1024;
}

std::string MachineCredential::Path()
{
    if (const char* set = std::getenv("QUILLET_RECORD_SERVER_FILE"); set && *set)
        return set;
    return "/etc/quillet/record-server";
}

MachineCredential MachineCredential::Read(const std::string& path)
{
    MachineCredential credential;
    std::string content;
    const FileStatus read = ReadRootFile(path, content, kLargest);
    if (read.missing)
        return credential;
    credential.m_bFound = true;
    const auto refuse = [&](const std::string& why)
    {
        credential.m_strProblem = path + " cannot be used (" + why + "); ask the administrator";
        return credential;
    };
    if (!read)
        return refuse(read.reason);
    credential.m_strDatabase = ini::ValueIn(content, kSection, "Database");
    credential.m_strPassword = ini::ValueIn(content, kSection, "Password");
    if (credential.m_strDatabase.empty())
        return refuse("it names no record server");
    return credential;
}

std::string MachineCredential::Text(const std::string& database, const std::string& password)
{
    return std::string("[") + kSection + "]\nDatabase=" + database + "\nPassword=" + password + "\n";
}
}
