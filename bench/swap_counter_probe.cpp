// Preloaded by scripts/bench: counts buffer swaps without drawing anything. The file
// named by STRIGOLO_SWAP_FILE (16 bytes, made by the bench) is mapped shared: bytes
// 0-7 hold the number of swaps so far, bytes 8-15 the CLOCK_MONOTONIC time (seconds,
// a double) of the first one. A swap costs one atomic add; the bench reads the file.
#include <GL/glx.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

namespace {
struct SwapRecord {
    uint64_t swaps;
    double first_swap;
};

SwapRecord* MapRecord() {
    const char* path = std::getenv("STRIGOLO_SWAP_FILE");
    if (!path) return nullptr;
    const int fd = open(path, O_RDWR | O_CLOEXEC);
    if (fd < 0) return nullptr;
    void* p = mmap(nullptr, sizeof(SwapRecord), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    return p == MAP_FAILED ? nullptr : static_cast<SwapRecord*>(p);
}
}  // namespace

extern "C" void glXSwapBuffers(Display* dpy, GLXDrawable drawable) {
    using Swap = void (*)(Display*, GLXDrawable);
    static Swap next = reinterpret_cast<Swap>(dlsym(RTLD_NEXT, "glXSwapBuffers"));
    static SwapRecord* record = MapRecord();
    if (next) next(dpy, drawable);
    if (!record) return;
    if (__atomic_load_n(&record->swaps, __ATOMIC_RELAXED) == 0) {
        timespec ts{};
        clock_gettime(CLOCK_MONOTONIC, &ts);
        record->first_swap = double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
    }
    __atomic_fetch_add(&record->swaps, 1, __ATOMIC_RELEASE);
}
