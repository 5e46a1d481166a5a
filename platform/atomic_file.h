// Replacing a file in one step: a crash, a kill or a full disk during a save leaves
// either the old contents or the new ones, never a mix, and never an empty file.
// Every writer has a temporary file of its own, so none removes another's.
#pragma once

#include <cstddef>
#include <ctime>
#include <string>

// The file a write of `path` lands in: links are followed (a chain of them too) to the
// name they point at, which need not exist yet, in a folder that must. False, with
// `error` set, when a link loops or the folder is missing (say, an unmounted disk).
bool ResolveLinks(const std::string& path, std::string& target, std::string& error);

// Writes `size` bytes to a new temporary file beside ResolveLinks(path), flushes them to
// the disk, renames the temporary file over the target and flushes the folder. A link
// stays a link: the file it points at is replaced. Refused, changing nothing: a target
// that is not a regular file, and a regular file without any write bit, which its owner
// made read-only (root is refused too). On any failure before the rename the target is
// untouched, the temporary file is removed, `error` says which step failed and why,
// `error_number` (when given) gets the errno (EROFS for a read-only file, EINVAL for one
// that is not regular) and the result is false. A failure to flush the folder after the
// rename still leaves the new contents in place: the result is true and `warning` is set.
bool WriteFileAtomically(const std::string& path, const void* data, size_t size,
                         std::string& error, std::string& warning, int* error_number = nullptr);

// Removes what interrupted replacements of `path` (links followed) left beside it:
// temporary files (or folders) whose writer no longer runs, or modified more than 60 s
// before `now` (seconds since the epoch). Returns how many were removed.
int RemoveStaleTempFiles(const std::string& path, std::time_t now);

// Renames what `path` names (links followed) to that name plus `suffix`, beside it,
// never over an existing name ("-2", "-3", ... are added as needed); its bytes stay as
// they are. `moved` gets the new full name. Refused, moving nothing, with `error` and
// `error_number` as for WriteFileAtomically: a regular file without any write bit, and
// anything but a regular file reached through a link (a device a link points at stays).
bool MoveAside(const std::string& path, const std::string& suffix, std::string& moved,
               std::string& error, int* error_number = nullptr);
