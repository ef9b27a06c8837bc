#pragma once

#include <string>
#include <string_view>

#include "platform/Files.h"

// Ini files, the companion player's and Quillet's own settings, read and
// written the way the original platform's profile functions did: section and
// key names compared ignoring ASCII case, values trimmed of blanks, every
// other line left alone.
namespace quillet::ini
{
// "tovrin.ini" in $XDG_CONFIG_HOME (default ~/.config).
std::string PlayerIniPath();

// The value of `key` in the first `section` of the file: the text after the
// first '=' with blanks and tabs around it removed. "" when the file, the
// section or the key is missing. Lines starting with ';' are comments.
std::string ReadValue(const std::string& path, const std::string& section, const std::string& key);
// The same, of a file's contents already read.
std::string ValueIn(std::string_view content, const std::string& section, const std::string& key);

// Sets `key` to `value` in `section`: replaces the key's line, else adds the
// key at the end of the section, else adds the section at the end of the
// file, else creates the file (and its folder, owner-only). Every other line
// keeps its bytes. The file is replaced atomically, and writers on this
// machine take turns, so two programs writing different keys lose neither.
// Refuses names or values holding CR, LF or NUL, an empty or ']'-holding
// section, and a key that is empty, holds '=' or would read as a comment.
// A failure carries its reason.
FileStatus WriteValue(const std::string& path, const std::string& section, const std::string& key,
                      const std::string& value);
}
