// Preloaded by scripts/bench and the end-to-end tests: counts buffer swaps and
// pointer samples without drawing anything. The file named by STRIGOLO_SWAP_FILE
// (made by the caller, at least 16 bytes) is mapped shared and laid out as SwapRecord:
// the number of swaps so far, the CLOCK_MONOTONIC time (seconds) of the first one,
// and, when the file is large enough, a log of the last kLogSize swaps ('S') and
// pointer samples ('P', with the position XQueryPointer gave relative to the window
// asked about). A swap or sample costs a few stores; the caller reads the file.
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

namespace {
constexpr uint64_t kLogSize = 4096;
struct LogEntry {
    int32_t kind, x, y, pad;
};
struct SwapRecord {
    uint64_t swaps;
    double first_swap;
    uint64_t logged;  // entries written so far; entry i is at log[i % kLogSize]
    uint64_t pad;
    LogEntry log[kLogSize];
};

struct Mapping {
    SwapRecord* record = nullptr;
    bool logs = false;
};

Mapping Map() {
    Mapping m;
    const char* path = std::getenv("STRIGOLO_SWAP_FILE");
    const int fd = path ? open(path, O_RDWR | O_CLOEXEC) : -1;
    struct stat st {};
    if (fd < 0 || fstat(fd, &st) != 0 || st.st_size < 16) {
        if (fd >= 0) close(fd);
        return m;
    }
    m.logs = size_t(st.st_size) >= sizeof(SwapRecord);
    void* p = mmap(nullptr, m.logs ? sizeof(SwapRecord) : 16, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    if (p != MAP_FAILED) m.record = static_cast<SwapRecord*>(p);
    return m;
}

const Mapping& Shared() {
    static const Mapping m = Map();
    return m;
}

void Log(int32_t kind, int32_t x, int32_t y) {
    const Mapping& m = Shared();
    if (!m.logs) return;
    const uint64_t i = __atomic_load_n(&m.record->logged, __ATOMIC_RELAXED);
    m.record->log[i % kLogSize] = {kind, x, y, 0};
    __atomic_store_n(&m.record->logged, i + 1, __ATOMIC_RELEASE);
}
}  // namespace

extern "C" void glXSwapBuffers(Display* dpy, GLXDrawable drawable) {
    using Swap = void (*)(Display*, GLXDrawable);
    static Swap next = reinterpret_cast<Swap>(dlsym(RTLD_NEXT, "glXSwapBuffers"));
    if (next) next(dpy, drawable);
    SwapRecord* record = Shared().record;
    if (!record) return;
    if (__atomic_load_n(&record->swaps, __ATOMIC_RELAXED) == 0) {
        timespec ts{};
        clock_gettime(CLOCK_MONOTONIC, &ts);
        record->first_swap = double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
    }
    Log('S', 0, 0);
    __atomic_fetch_add(&record->swaps, 1, __ATOMIC_RELEASE);
}

extern "C" Bool XQueryPointer(Display* dpy, Window w, Window* root, Window* child, int* root_x, int* root_y,
                              int* win_x, int* win_y, unsigned int* mask) {
    using Query = Bool (*)(Display*, Window, Window*, Window*, int*, int*, int*, int*, unsigned int*);
    static Query next = reinterpret_cast<Query>(dlsym(RTLD_NEXT, "XQueryPointer"));
    const Bool ok = next ? next(dpy, w, root, child, root_x, root_y, win_x, win_y, mask) : False;
    if (ok) Log('P', *win_x, *win_y);
    return ok;
}
