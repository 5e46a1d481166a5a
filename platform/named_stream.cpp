// Telling streams from files by the descriptor table and fstat, and reading and
// writing them in place.
#include "platform/named_stream.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

bool IsOpen(int fd) { return ::fcntl(fd, F_GETFD) != -1; }

bool OpenForWriting(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    return flags != -1 && (flags & O_ACCMODE) != O_RDONLY;
}

}  // namespace

int DescriptorNamed(const std::string& path) {
    if (path == "/dev/stdin") return 0;
    if (path == "/dev/stdout") return 1;
    if (path == "/dev/stderr") return 2;
    for (const char* folder : {"/dev/fd/", "/proc/self/fd/"}) {
        const size_t n = std::strlen(folder);
        if (path.compare(0, n, folder) != 0 || path.size() == n || path.size() > n + 9) continue;
        if (path.find_first_not_of("0123456789", n) != std::string::npos) return -1;
        return std::atoi(path.c_str() + n);
    }
    return -1;
}

OutputTarget ChooseOutputTarget(const std::string& path) {
    OutputTarget t;
    t.fd = path == "-" ? 1 : DescriptorNamed(path);
    if (t.fd >= 0) {
        t.kind = OutputKind::kDescriptor;
        return t;
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return t;  // nothing there yet: a file
    for (int fd = 0; fd <= 2; ++fd) {
        struct stat open_st {};
        if (OpenForWriting(fd) && ::fstat(fd, &open_st) == 0 && open_st.st_dev == st.st_dev &&
            open_st.st_ino == st.st_ino) {
            t.kind = OutputKind::kDescriptor, t.fd = fd;
            return t;
        }
    }
    if (!S_ISREG(st.st_mode)) t.kind = OutputKind::kStream;
    return t;
}

bool WriteToStream(const OutputTarget& target, const std::string& path, const void* data, size_t size,
                   std::string& error) {
    const int fd = target.kind == OutputKind::kDescriptor
                       ? target.fd
                       : ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    int err = fd < 0 ? errno : 0;
    for (const char* p = static_cast<const char*>(data); fd >= 0 && size > 0 && !err;) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) {  // a descriptor the caller left non-blocking
            pollfd ready{fd, POLLOUT, 0};
            ::poll(&ready, 1, -1);
            continue;
        }
        if (n <= 0) err = n < 0 ? errno : ENOSPC;
        else p += n, size -= size_t(n);
    }
    if (fd >= 0 && target.kind == OutputKind::kStream && ::close(fd) != 0 && !err) err = errno;
    if (err) error = std::strerror(err);
    return !err;
}

FileRead ReadDescriptor(int fd, size_t max_bytes) {
    FileRead r;
    r.status = FileReadStatus::kRead;
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) {
            pollfd ready{fd, POLLIN, 0};
            ::poll(&ready, 1, -1);
            continue;
        }
        if (n < 0) {
            r.status = FileReadStatus::kError, r.error_number = errno, r.error = std::strerror(errno);
            return r;
        }
        if (n == 0) return r;
        if (r.bytes.size() + size_t(n) > max_bytes) {
            r.status = FileReadStatus::kTooLarge, r.error_number = EFBIG;
            r.error = "larger than " + std::to_string(max_bytes) + " bytes";
            return r;
        }
        r.bytes.insert(r.bytes.end(), chunk, chunk + n);
    }
}

void OpenMissingStandardStreams() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (IsOpen(fd)) continue;
        const int opened = ::open("/dev/null", O_RDWR);
        if (opened >= 0 && opened != fd) ::dup2(opened, fd), ::close(opened);
    }
}
