#pragma once

#include <string>
#include <string_view>

namespace quillet
{
// Replaces the file at path with contents so that a crash or a full disk at
// any moment leaves either the old file or the new one, never a mix: the
// contents go to a fresh file beside it, reach the disk, and are renamed
// over the old one. A new file is readable by its owner only; an existing
// file keeps its mode. Missing directories are created, owner-only.
bool ReplaceFileAtomically(const std::string& path, std::string_view contents);
}
