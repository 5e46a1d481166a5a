// Replacing a file in one step: a crash, a kill or a full disk during a save leaves
// either the old contents or the new ones, never a mix, and never an empty file.
#pragma once

#include <cstddef>
#include <string>

// The temporary file a replacement of `path` is written to, beside it.
std::string AtomicTempPath(const std::string& path);

// Writes `size` bytes to AtomicTempPath(path), flushes them to the disk, renames the
// temporary file over `path` and flushes the folder. On any failure before the rename
// `path` is untouched, the temporary file is removed, `error` says which step failed
// and why, and the result is false. A failure to flush the folder after the rename
// still leaves the new contents in place: the result is true and `warning` is set.
bool WriteFileAtomically(const std::string& path, const void* data, size_t size,
                         std::string& error, std::string& warning);

// Removes a temporary file left by an interrupted replacement of `path`. True when
// one was there and is gone.
bool RemoveLeftoverTempFile(const std::string& path);
