#pragma once

#include <string>
#include <string_view>

// Whole-file reads and writes for every part of the program, with one set of
// rules: no partial results, and a replaced file is never seen half written.
namespace quillet
{
// The whole file, or false with nothing when it cannot be opened or read (a
// folder opens but cannot be read). `missing`, when given, says whether the
// file simply does not exist.
bool ReadWholeFile(const std::string& path, std::string& contents, bool* missing = nullptr);

// Writes the file in place: for output that nothing else depends on.
bool WriteWholeFile(const std::string& path, std::string_view contents);

// Creates the folder and any missing parents, owner-only. True when it
// exists as a folder afterwards.
bool MakeDirectories(const std::string& dir);

// The folder part of a path: "." for a bare name, "/" for a file at the root.
std::string ParentFolder(const std::string& path);

// Replaces the file at path with contents so that a crash or a full disk at
// any moment leaves either the old file or the new one, never a mix: the
// contents go to a fresh file beside it, reach the disk, and are renamed
// over the old one. A new file is readable by its owner only; an existing
// file keeps its mode. Missing directories are created, owner-only.
bool ReplaceFileAtomically(const std::string& path, std::string_view contents);
}
