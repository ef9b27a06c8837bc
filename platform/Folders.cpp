#include "platform/Folders.h"

#include <cstdio>
#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

#include "platform/Files.h"

namespace quillet
{
namespace
{
std::string AccountName()
{
    const passwd* entry = ::getpwuid(::geteuid());
    return entry && entry->pw_name ? entry->pw_name : std::string();
}

std::string WithoutTrailingSlashes(std::string dir)
{
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    return dir;
}

std::string XdgFolder(const char* variable, const char* underHome)
{
    if (const char* set = std::getenv(variable); set && set[0] == '/')
        return WithoutTrailingSlashes(set);
    return HomeFolder() + underHome;
}
}

std::string HomeFolder()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return WithoutTrailingSlashes(home);
    if (const passwd* entry = ::getpwuid(::geteuid()); entry && entry->pw_dir && *entry->pw_dir)
        return WithoutTrailingSlashes(entry->pw_dir);
    return ".";
}

std::string ConfigFolder()
{
    return XdgFolder("XDG_CONFIG_HOME", "/.config");
}

std::string DataFolder()
{
    return XdgFolder("XDG_DATA_HOME", "/.local/share");
}

std::string SettingsPath()
{
    return ConfigFolder() + "/quillet/quillet.ini";
}

std::string RecordDirectory()
{
    if (const char* dir = std::getenv("QUILLET_RECORD_DIR"); dir && *dir)
        return dir;
    return DataFolder() + "/quillet";
}

std::string RuntimeFolder()
{
    if (const char* set = std::getenv("XDG_RUNTIME_DIR"); set && *set)
        return WithoutTrailingSlashes(set);
    // What Qt and other toolkits fall back to, so that both sides of the
    // player link meet in the same place; but only when it is this account's
    // own and closed to others, as the XDG rules ask. Anyone may make a
    // folder of that name first.
    std::string shared = "/tmp/runtime-" + AccountName();
    const FileStatus usable = MakePrivateFolder(shared);
    if (usable)
        return shared;
    std::string own = XdgFolder("XDG_CACHE_HOME", "/.cache") + "/quillet-runtime";
    static bool told = false;
    if (!told)
    {
        told = true;
        std::fprintf(stderr, "quillet: %s; %s is used instead\n", usable.reason.c_str(), own.c_str());
    }
    MakePrivateFolder(own);
    return own;
}

std::string LogOnName()
{
    std::string name = AccountName();
    if (name.size() >= 40)
        return {};
    const auto first = name.find_first_not_of(" \t\r\n");
    const auto last = name.find_last_not_of(" \t\r\n");
    return first == std::string::npos ? std::string() : name.substr(first, last - first + 1);
}
}
