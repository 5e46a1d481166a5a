// The inotify watch of calendar folders, read without blocking from the frame loop.
#include "platform/folder_watch.h"

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// A file written in place and closed, a finished file renamed in (khal) or linked in
// (vdirsyncer: link, then unlink of its temporary); removals and renames away; the
// folder's own end.
constexpr uint32_t kMask = IN_CLOSE_WRITE | IN_CREATE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE |
                           IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR | IN_EXCL_UNLINK;

}  // namespace

FolderWatch::FolderWatch() {
    fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0) error_ = std::string("inotify: ") + std::strerror(errno);
}

FolderWatch::~FolderWatch() {
    if (fd_ >= 0) ::close(fd_);
}

size_t FolderWatch::Add(const std::string& path) {
    folders_.push_back(Folder{path});
    Watch(folders_.back());
    return folders_.size() - 1;
}

void FolderWatch::Watch(Folder& f) {
    struct stat st;
    if (fd_ < 0 || ::stat(f.path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return;
    f.wd = inotify_add_watch(fd_, f.path.c_str(), kMask);
    if (f.wd < 0) return;
    f.device = uint64_t(st.st_dev), f.inode = uint64_t(st.st_ino);
    f.announce = true;
}

// Stops watching folder i (other folders may share its watch: the same folder named
// twice) and tells it gone.
void FolderWatch::Drop(size_t i, std::vector<FolderChange>& out) {
    const int wd = folders_[i].wd;
    folders_[i].wd = -1;
    folders_[i].announce = false;
    out.push_back({i, FolderEvent::kFolderGone, ""});
    for (const Folder& f : folders_)
        if (f.wd == wd) return;
    inotify_rm_watch(fd_, wd);  // harmless when inotify removed it already
}

std::vector<FolderChange> FolderWatch::Poll(uint32_t now_ms) {
    std::vector<FolderChange> out;
    if (fd_ < 0) return out;
    alignas(struct inotify_event) char buf[16384];
    for (;;) {
        const ssize_t n = ::read(fd_, buf, sizeof buf);
        if (n <= 0) break;  // EAGAIN: nothing more now
        for (ssize_t at = 0; at + ssize_t(sizeof(inotify_event)) <= n;) {
            const inotify_event* e = reinterpret_cast<const inotify_event*>(buf + at);
            at += ssize_t(sizeof(inotify_event) + e->len);
            if (e->mask & IN_Q_OVERFLOW) {  // events were lost: every folder is read again
                for (Folder& f : folders_) f.announce = f.wd >= 0;
                continue;
            }
            const std::string name = e->len ? std::string(e->name) : "";
            for (size_t i = 0; i < folders_.size(); ++i) {
                if (folders_[i].wd != e->wd) continue;
                if (e->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT | IN_IGNORED)) {
                    Drop(i, out);
                } else if (!(e->mask & IN_ISDIR) && !name.empty()) {
                    const FolderEvent what = (e->mask & (IN_DELETE | IN_MOVED_FROM)) ? FolderEvent::kFileGone
                                             : (e->mask & IN_CREATE)                 ? FolderEvent::kFileCreated
                                                                                     : FolderEvent::kFileChanged;
                    out.push_back({i, what, name});
                }
            }
        }
    }
    if (!checked_ || now_ms - last_check_ms_ >= kFolderRecheckMs) {
        checked_ = true;
        last_check_ms_ = now_ms;
        for (size_t i = 0; i < folders_.size(); ++i) {
            Folder& f = folders_[i];
            struct stat st;
            const bool there = ::stat(f.path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
            if (f.wd >= 0 && (!there || uint64_t(st.st_dev) != f.device || uint64_t(st.st_ino) != f.inode))
                Drop(i, out);
            if (f.wd < 0 && there) Watch(f);
        }
    }
    for (size_t i = 0; i < folders_.size(); ++i)
        if (folders_[i].announce) {
            folders_[i].announce = false;
            out.push_back({i, FolderEvent::kFolderBack, ""});
        }
    return out;
}
