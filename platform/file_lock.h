// An advisory lock between the processes that change one file: each holds it for its
// whole read-modify-write, so none writes over what another has just written.
#pragma once

#include <string>

// Holds flock(LOCK_EX) on a lock file (created for its owner only if missing, never
// removed: removing it would let two writers lock two different files) until destroyed.
class FileLock {
public:
    FileLock() = default;
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Takes the lock on `lock_path`, waiting up to `wait_ms` milliseconds for another
    // holder to let go. False, with `error` and `error_number` (errno; EWOULDBLOCK when
    // the wait ran out) set, when the file cannot be opened or the wait ran out.
    bool Acquire(const std::string& lock_path, int wait_ms, std::string& error, int& error_number);

private:
    int fd_ = -1;
};
