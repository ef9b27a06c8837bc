#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

// Whole-file reads and writes for every part of the program, with one set of
// rules: no partial results, a replaced file is never seen half written, only
// regular files are read, and a symbolic link is followed where it may be.
namespace quillet
{
// What became of a file operation. `reason` says why it failed, for the
// person who can fix it ("Permission denied", "it is a FIFO, not a file").
struct FileStatus
{
    bool ok = true;
    bool missing = false; // the file does not exist
    std::string reason;

    explicit operator bool() const { return ok; }
    static FileStatus Failed(std::string reason, bool missing = false)
    {
        return {false, missing, std::move(reason)};
    }
};

// The whole file. Only a regular file is read: a FIFO, a device or a folder
// is refused at once, so that nothing hangs or reads for ever. A file larger
// than `limit` bytes is refused too.
inline constexpr std::size_t kNoLimit = static_cast<std::size_t>(-1);
FileStatus ReadRegularFile(const std::string& path, std::string& contents, std::size_t limit = kNoLimit);

// The same for a file of this account's own: a file of another account, or
// a symbolic link, is refused.
FileStatus ReadOwnFile(const std::string& path, std::string& contents, std::size_t limit = kNoLimit);
// The same for a file that root keeps for every account of the machine: a
// file of root's that nobody else may change (no group or other write
// permission), never read through a symbolic link.
FileStatus ReadRootFile(const std::string& path, std::string& contents, std::size_t limit = kNoLimit);

// Reserves room for `size` bytes in the text, in huge pages where the
// system gives them for the asking: a file of tens of megabytes then costs
// a few page faults instead of thousands.
void ReserveLarge(std::string& text, std::size_t size);

// The same, answering only whether it worked; `missing`, when given, says
// whether the file simply does not exist.
bool ReadWholeFile(const std::string& path, std::string& contents, bool* missing = nullptr);

// Whether a symbolic link at `path` may be followed: only one that belongs
// to the user running the program or to root, as the kernel's protected
// links rule has it for shared folders. True when `path` is no link.
FileStatus MayFollow(const std::string& path);

// Creates the folder and any missing parents, owner-only. True when it
// exists as a folder afterwards.
bool MakeDirectories(const std::string& dir);

// A folder only this account may enter: made owner-only when missing, and
// refused when it is another account's (or no folder). A folder of this
// account's that others could enter is closed again.
FileStatus MakePrivateFolder(const std::string& dir);

// Whether anyone but this account may create or remove files in the folder.
bool IsOpenToOthers(const std::string& dir);

// The folder part of a path: "." for a bare name, "/" for a file at the root.
std::string ParentFolder(const std::string& path);

// The first of `path`, "<stem>-2<extension>", "<stem>-3<extension>" ... that
// does not exist yet, created empty so that no other job takes it; `path`
// itself when none can be created, so that writing it says why.
std::string ClaimUnusedName(const std::string& path);

// Whether files created in the folder should be shared with its group: the
// folder is group-writable and carries the set-group-id bit, as a lab's
// shared record folder does.
bool IsSharedGroupFolder(const std::string& dir);

// Replaces the file at path with contents so that a crash or a full disk at
// any moment leaves either the old file or the new one, never a mix: the
// contents go to a fresh file beside it, reach the disk, and are renamed
// over the old one. An existing file keeps its mode and group; a new one is
// readable by its owner only, or by the group too in a shared group folder.
// Missing folders are created, owner-only. A symbolic link is replaced where
// it points only when MayFollow allows it. Temporary files that a killed
// writer of this user left beside the file are removed.
// With `ownerOnly` the new file is readable by its owner alone (0600),
// whatever the file it replaces allowed, also in a shared group folder.
FileStatus ReplaceFile(const std::string& path, std::string_view contents, bool ownerOnly = false);

// Removes the file; one that is not there counts as removed.
FileStatus RemoveFile(const std::string& path);
// Renames the file within its file system, replacing what `to` names.
FileStatus RenameFile(const std::string& from, const std::string& to);
// Renames the file to the first free name of `path + suffix`, `path + suffix
// + "-2"`, ..., never replacing one; `keptAs` receives it.
FileStatus RenameAside(const std::string& path, const std::string& suffix, std::string* keptAs = nullptr);

// Removes the temporary files that ReplaceFile leaves when its process is
// killed mid-write: those of `name` in `dir`, owned by this user, untouched
// for `minAgeSeconds` or more.
void RemoveStaleTemporaryFiles(const std::string& dir, const std::string& name, int minAgeSeconds = 60);
}
