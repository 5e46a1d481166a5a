// Watching calendar folders with inotify: which file in a folder was written, renamed
// in or removed, and when a folder goes (deleted, renamed away, unmounted) or comes
// back. At rest it costs one stat of each folder a second, never a look at its files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class FolderEvent {
    kFileChanged,  // `name` was written and closed, or renamed into the folder
    kFileCreated,  // `name` appeared: a link (as some writers finish a file), or a file
                   // whose writing may still go on (its close then follows)
    kFileGone,     // `name` was removed or renamed away
    kFolderGone,   // the folder is not there any more: forget what it held
    kFolderBack,   // the folder is there (at the start, again, or after lost events): read it whole
};

struct FolderChange {
    size_t folder = 0;  // the index Add returned
    FolderEvent event = FolderEvent::kFileChanged;
    std::string name;   // a file name inside the folder; empty for the folder's own events
};

// How often a folder's path is looked at again: a missing one may come back, and a
// disk mounted over it, or another folder renamed into its place, makes another folder
// of it (milliseconds).
constexpr uint32_t kFolderRecheckMs = 1000;

class FolderWatch {
public:
    FolderWatch();
    ~FolderWatch();
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    // Starts watching `path` (links followed), which need not exist yet; the next Poll
    // tells kFolderBack for it when it does. Returns its index.
    size_t Add(const std::string& path);

    // Never waits. What happened since the last call, in order; `now_ms` (a tick count)
    // decides when folders are looked at again.
    std::vector<FolderChange> Poll(uint32_t now_ms);

    // Why inotify could not be had (no folder is then watched); empty when it could.
    const std::string& error() const { return error_; }

private:
    struct Folder {
        std::string path;
        int wd = -1;                        // inotify's watch, -1 while the folder is gone
        uint64_t device = 0, inode = 0;     // the folder watched
        bool announce = false;              // kFolderBack is owed
    };
    void Watch(Folder& f);
    void Drop(size_t i, std::vector<FolderChange>& out);

    int fd_ = -1;
    std::vector<Folder> folders_;
    uint32_t last_check_ms_ = 0;
    bool checked_ = false;
    std::string error_;
};
