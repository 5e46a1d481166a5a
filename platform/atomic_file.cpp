// Atomic file replacement with POSIX calls: write a temporary file of this writer's own
// beside the target, fsync it, rename it over the target, fsync the folder.
#include "platform/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

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

std::string NameOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
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

// "NAME.tmp-PID-RANDOM": the process id tells the sweep whether its writer still runs;
// the random part keeps two threads or a reused id from meeting.
std::string NewTempPath(const std::string& path) {
    unsigned int salt = 0;
    if (::getrandom(&salt, sizeof salt, GRND_NONBLOCK) != sizeof salt)
        salt = unsigned(std::rand()) ^ unsigned(::time(nullptr));
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, ".tmp-%ld-%08x", long(::getpid()), salt);
    return path + suffix;
}

bool IsTempFileName(const std::string& name, const std::string& base, long& pid) {
    pid = 0;
    const std::string prefix = base + ".tmp";
    if (name.compare(0, prefix.size(), prefix) != 0) return false;
    if (name.size() == prefix.size()) return true;  // the fixed name of earlier versions
    unsigned long id = 0;
    unsigned int salt = 0;
    int used = 0;
    if (std::sscanf(name.c_str() + prefix.size(), "-%lu-%8x%n", &id, &salt, &used) != 2 ||
        prefix.size() + size_t(used) != name.size())
        return false;
    pid = long(id);
    return true;
}

bool WriterIsGone(long pid) {
    return pid > 0 && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}

}  // namespace

bool ResolveLinks(const std::string& path, std::string& target, std::string& error) {
    std::string p = path;
    for (int hops = 0;; ++hops) {
        if (hops == 40) {
            error = Describe(p.c_str(), ELOOP);
            return false;
        }
        struct stat st {};
        if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
        char buf[4096];
        const ssize_t n = ::readlink(p.c_str(), buf, sizeof buf - 1);
        if (n < 0) break;
        const std::string to(buf, size_t(n));
        p = !to.empty() && to[0] == '/' ? to : FolderOf(p) + "/" + to;
    }
    char* folder = ::realpath(FolderOf(p).c_str(), nullptr);
    if (!folder) {
        error = "folder " + FolderOf(p) + ": " + std::strerror(errno);
        return false;
    }
    target = std::string(folder) + "/" + NameOf(p);
    std::free(folder);
    return true;
}

int RemoveStaleTempFiles(const std::string& path, std::time_t now) {
    std::string target, error;
    if (!ResolveLinks(path, target, error)) return 0;
    const std::string folder = FolderOf(target), base = NameOf(target);
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return 0;
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        long pid = 0;
        struct stat st {};
        const std::string full = folder + "/" + entry->d_name;
        if (!IsTempFileName(entry->d_name, base, pid) || ::lstat(full.c_str(), &st) != 0) continue;
        if (!WriterIsGone(pid) && st.st_mtime >= now - 60) continue;
        std::error_code ec;  // remove_all never follows a link out of the folder
        if (std::filesystem::remove_all(full, ec) > 0 && !ec) ++removed;
    }
    ::closedir(dir);
    return removed;
}

bool WriteFileAtomically(const std::string& target, const void* data, size_t size,
                         std::string& error, std::string& warning, int* error_number) {
    error.clear();
    warning.clear();
    int err = 0;
    auto fail = [&](const std::string& why, int e) {
        error = why;
        if (error_number) *error_number = e;
        return false;
    };
    std::string path;
    if (!ResolveLinks(target, path, error)) return fail(error, ENOENT);

    mode_t mode = 0644;
    struct stat old_stat {};
    if (::lstat(path.c_str(), &old_stat) == 0) {
        if (!S_ISREG(old_stat.st_mode)) return fail(path + " is not a regular file", EINVAL);
        if ((old_stat.st_mode & 0222) == 0) return fail(path + " is read-only", EROFS);
        mode = old_stat.st_mode & 07777;
    }

    // O_EXCL refuses to follow a link someone may have put in the temporary file's place.
    std::string temp;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 8; ++attempt) {
        temp = NewTempPath(path);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        err = errno;
        if (fd < 0 && err != EEXIST) break;
    }
    if (fd < 0) return fail(Describe("create temporary file", err), err);
    bool ok = WriteAll(fd, static_cast<const unsigned char*>(data), size, err);
    if (!ok) {
        error = Describe("write", err);
    } else if (::fsync(fd) != 0) {
        err = errno;
        error = Describe("fsync", err);
        ok = false;
    }
    if (::close(fd) != 0 && ok) {
        err = errno;
        error = Describe("close", err);
        ok = false;
    }
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
        err = errno;
        error = Describe("rename", err);
        ok = false;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        return fail(error, err);
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

bool MoveAside(const std::string& path, const std::string& suffix, std::string& moved,
               std::string& error, int* error_number) {
    int err = 0;
    std::string target;
    struct stat link_stat {}, st {};
    if (!ResolveLinks(path, target, error)) {
        err = ENOENT;
    } else if (::lstat(target.c_str(), &st) != 0) {
        err = errno;
        error = Describe(target.c_str(), err);
    } else if (!S_ISREG(st.st_mode) && ::lstat(path.c_str(), &link_stat) == 0 && S_ISLNK(link_stat.st_mode)) {
        err = EINVAL;
        error = target + " is not a regular file";
    } else if (S_ISREG(st.st_mode) && (st.st_mode & 0222) == 0) {
        err = EROFS;
        error = target + " is read-only";
    } else {
        // Names taken by earlier moves in the same second get a counter, as far as it needs.
        for (long n = 1; n <= 1000000; ++n) {
            moved = target + suffix + (n > 1 ? "-" + std::to_string(n) : "");
            int done = ::renameat2(AT_FDCWD, target.c_str(), AT_FDCWD, moved.c_str(), RENAME_NOREPLACE);
            if (done != 0 && errno == EINVAL) {  // a file system without RENAME_NOREPLACE
                struct stat taken {};
                done = ::lstat(moved.c_str(), &taken) == 0 ? (errno = EEXIST, -1) : ::rename(target.c_str(), moved.c_str());
            }
            if (done == 0) return true;
            err = errno;
            if (err != EEXIST) break;
        }
        error = Describe("rename aside", err);
    }
    if (error_number) *error_number = err;
    return false;
}
