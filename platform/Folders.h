#pragma once

#include <string>

// Where the program keeps things, by the XDG base-directory rules, and who
// is logged on. Every folder is answered without a trailing slash.
namespace quillet
{
// $HOME, else the account's home folder, else the current folder.
std::string HomeFolder();

// $XDG_CONFIG_HOME when it is an absolute path, else ~/.config.
std::string ConfigFolder();

// $XDG_DATA_HOME when it is an absolute path, else ~/.local/share.
std::string DataFolder();

// Quillet's own settings file: $XDG_CONFIG_HOME/quillet/quillet.ini.
std::string SettingsPath();

// The folder of the record file and the journals: $QUILLET_RECORD_DIR, else
// the quillet folder of DataFolder().
std::string RecordDirectory();

// $XDG_RUNTIME_DIR, else /tmp/runtime-<user>, created owner-only when
// missing and used only while it is this account's and closed to others;
// else the quillet-runtime folder of $XDG_CACHE_HOME (~/.cache), with a
// warning on the standard error.
std::string RuntimeFolder();

// The log-on name of the effective user, trimmed; empty when there is none
// or it is 40 bytes or longer.
std::string LogOnName();
}
