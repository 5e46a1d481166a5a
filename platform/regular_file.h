// Reading a user's file only when it is a regular file, and only as far as it goes:
// a FIFO, device, socket or folder in its place is neither waited on nor read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Which file a path named at one moment: another writer's replacement (a new inode) or
// rewrite (a new size or modification time) changes it.
struct FileIdentity {
    bool exists = false;
    uint64_t device = 0, inode = 0;
    int64_t size = 0;      // bytes
    int64_t mtime_ns = 0;  // modification time, nanoseconds since the epoch
    bool operator==(const FileIdentity& o) const {
        return exists == o.exists && device == o.device && inode == o.inode && size == o.size &&
               mtime_ns == o.mtime_ns;
    }
    bool operator!=(const FileIdentity& o) const { return !(*this == o); }
};

// The identity of what `path` names now, links followed; exists is false when nothing
// is there (or it cannot be looked at).
FileIdentity StatFileIdentity(const std::string& path);

enum class FileReadStatus {
    kRead,        // the whole file, as large as fstat said when it was opened
    kMissing,     // nothing at the path (ENOENT), or a link to nothing
    kNotRegular,  // a folder, FIFO, device or socket
    kTooLarge,    // a regular file larger than the caller accepts
    kError,       // could not be opened or read (permission, I/O error)
};

struct FileRead {
    FileReadStatus status = FileReadStatus::kMissing;
    std::vector<unsigned char> bytes;
    FileIdentity identity;  // of the opened file (kRead, kTooLarge, kError after open)
    int error_number = 0;   // errno of a failed open or read
    std::string error;      // why, for every status but kRead and kMissing
};

// Opens `path` without blocking, checks with fstat that it is a regular file of at most
// `max_bytes`, and reads no more than the size fstat gave.
FileRead ReadRegularFile(const std::string& path, size_t max_bytes);

// Opens `path` for reading without blocking and checks that it is a regular file.
// Returns the descriptor (blocking mode restored; the caller closes it) and its size
// in bytes, or -1 with `error` set.
int OpenRegularFile(const char* path, size_t& size, std::string& error);
