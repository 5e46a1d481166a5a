// Atomic file replacement with POSIX calls: write a temporary file beside the target,
// fsync it, rename it over the target, fsync the folder.
#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

std::string Describe(const char* step, int err) {
    return std::string(step) + ": " + std::strerror(err);
}

std::string FolderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// Writes all of `size` bytes, going on after short writes and interruptions.
bool WriteAll(int fd, const unsigned char* data, size_t size, int& err) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            err = errno;
            return false;
        }
        if (n == 0) {  // no progress and no error: treat as a full device
            err = ENOSPC;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// A file reached through a link is replaced where it really lives, so the link (say,
// into a synced folder) stays a link.
std::string ResolvedPath(const std::string& path) {
    std::string resolved = path;
    if (char* real = ::realpath(path.c_str(), nullptr)) {
        resolved = real;
        std::free(real);
    }
    return resolved;
}

}  // namespace

std::string AtomicTempPath(const std::string& path) {
    return path + ".tmp";
}

bool RemoveLeftoverTempFile(const std::string& path) {
    return ::unlink(AtomicTempPath(ResolvedPath(path)).c_str()) == 0;
}

bool WriteFileAtomically(const std::string& target, const void* data, size_t size,
                         std::string& error, std::string& warning) {
    error.clear();
    warning.clear();
    const std::string path = ResolvedPath(target);
    const std::string temp = AtomicTempPath(path);

    // A leftover from a crash is dropped first; O_EXCL then refuses to follow a link
    // someone may have put in its place.
    ::unlink(temp.c_str());
    mode_t mode = 0644;
    struct stat old_stat;
    if (::stat(path.c_str(), &old_stat) == 0) mode = old_stat.st_mode & 07777;

    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) {
        error = Describe("create temporary file", errno);
        return false;
    }
    int err = 0;
    bool ok = WriteAll(fd, static_cast<const unsigned char*>(data), size, err);
    if (!ok) {
        error = Describe("write", err);
    } else if (::fsync(fd) != 0) {
        error = Describe("fsync", errno);
        ok = false;
    }
    if (::close(fd) != 0 && ok) {
        error = Describe("close", errno);
        ok = false;
    }
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
        error = Describe("rename", errno);
        ok = false;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }

    // The rename is done; flushing the folder makes it survive a power cut.
    int dir = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) {
        warning = Describe("open folder", errno);
    } else {
        if (::fsync(dir) != 0) warning = Describe("fsync folder", errno);
        ::close(dir);
    }
    return true;
}
