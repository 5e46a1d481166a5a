// Preloaded by scripts/bench: records CLOCK_MONOTONIC (seconds) at the first buffer
// swap into the file named by STRIGOLO_FIRST_SWAP_FILE, then passes every swap on.
#include <GL/glx.h>
#include <dlfcn.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>

extern "C" void glXSwapBuffers(Display* dpy, GLXDrawable drawable) {
    using Swap = void (*)(Display*, GLXDrawable);
    static Swap next = reinterpret_cast<Swap>(dlsym(RTLD_NEXT, "glXSwapBuffers"));
    static bool first = true;
    if (next) next(dpy, drawable);
    if (first) {
        first = false;
        timespec ts{};
        clock_gettime(CLOCK_MONOTONIC, &ts);
        if (const char* path = std::getenv("STRIGOLO_FIRST_SWAP_FILE")) {
            if (std::FILE* f = std::fopen(path, "w")) {
                std::fprintf(f, "%ld.%09ld\n", static_cast<long>(ts.tv_sec), ts.tv_nsec);
                std::fclose(f);
            }
        }
    }
}
