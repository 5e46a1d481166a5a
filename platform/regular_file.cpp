// Non-blocking opens checked with fstat, and reads bounded by the file's own size.
#include "platform/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

FileIdentity IdentityOf(const struct stat& st) {
    FileIdentity id;
    id.exists = true;
    id.device = uint64_t(st.st_dev);
    id.inode = uint64_t(st.st_ino);
    id.size = int64_t(st.st_size);
    id.mtime_ns = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return id;
}

const char* KindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    return "not a regular file";
}

// O_NONBLOCK keeps a FIFO without a writer (or a device that waits) from blocking the
// open; it is cleared again so reads of a regular file behave as usual.
int OpenWithoutBlocking(const char* path, struct stat& st, FileRead& r) {
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        r.error_number = errno;
        r.status = errno == ENOENT ? FileReadStatus::kMissing : FileReadStatus::kError;
        r.error = std::strerror(errno);
        return -1;
    }
    if (::fstat(fd, &st) != 0) {
        r.error_number = errno;
        r.status = FileReadStatus::kError;
        r.error = std::strerror(errno);
        ::close(fd);
        return -1;
    }
    r.identity = IdentityOf(st);
    if (!S_ISREG(st.st_mode)) {
        r.status = FileReadStatus::kNotRegular;
        r.error = KindOf(st.st_mode);
        ::close(fd);
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

}  // namespace

FileIdentity StatFileIdentity(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};
    return IdentityOf(st);
}

FileRead ReadRegularFile(const std::string& path, size_t max_bytes) {
    FileRead r;
    struct stat st {};
    const int fd = OpenWithoutBlocking(path.c_str(), st, r);
    if (fd < 0) return r;
    const size_t size = size_t(st.st_size);
    if (size > max_bytes) {
        r.status = FileReadStatus::kTooLarge;
        r.error_number = EFBIG;
        r.error = "larger than " + std::to_string(max_bytes) + " bytes";
        ::close(fd);
        return r;
    }
    r.bytes.resize(size);
    size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, r.bytes.data() + got, size - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            r.error_number = errno;
            r.status = FileReadStatus::kError;
            r.error = std::strerror(errno);
            break;
        }
        if (n == 0) break;  // shrunk since fstat: what is there is all there is
        got += size_t(n);
    }
    r.bytes.resize(got);
    ::close(fd);
    if (r.status != FileReadStatus::kError) r.status = FileReadStatus::kRead;
    return r;
}

int OpenRegularFile(const char* path, size_t& size, std::string& error) {
    FileRead r;
    struct stat st {};
    const int fd = OpenWithoutBlocking(path, st, r);
    error = r.error;
    size = fd < 0 ? 0 : size_t(st.st_size);
    return fd;
}
