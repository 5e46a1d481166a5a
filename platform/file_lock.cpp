// flock on a file beside the guarded one; the lock goes with the descriptor, so a
// writer that dies releases it at once.
#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

FileLock::~FileLock() {
    if (fd_ >= 0) ::close(fd_);
}

bool FileLock::Acquire(const std::string& lock_path, int wait_ms, std::string& error, int& error_number) {
    // Owner only: whoever can open the lock file can hold it and stall the owner's writers.
    // A folder where nothing can be created still lets an existing lock file be locked.
    fd_ = ::open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    const int create_error = errno;
    if (fd_ < 0) fd_ = ::open(lock_path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    // One an older version made readable by all becomes its owner's alone.
    struct stat st {};
    if (fd_ >= 0 && ::fstat(fd_, &st) == 0 && st.st_uid == ::geteuid() && (st.st_mode & 077)) ::fchmod(fd_, 0600);
    if (fd_ < 0) {
        error_number = create_error;
        error = "lock " + lock_path + ": " + std::strerror(create_error);
        return false;
    }
    for (int waited = 0;; waited += 5) {
        if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) return true;
        if ((errno != EWOULDBLOCK && errno != EINTR) || waited >= wait_ms) break;
        ::usleep(5000);
    }
    error_number = errno;
    error = "lock " + lock_path + ": " + (errno == EWOULDBLOCK ? "held by another writer" : std::strerror(errno));
    ::close(fd_);
    fd_ = -1;
    return false;
}
