// Opens web addresses with xdg-open, without a shell and without blocking the frame.
#include "platform/browser.h"

#include <errno.h>
#include <spawn.h>
#include <sys/wait.h>

#include <thread>

extern char** environ;

void OpenUrl(const char* url) {
    if (!url || !*url) return;
    char prog[] = "xdg-open";
    char* argv[] = {prog, const_cast<char*>(url), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, prog, nullptr, nullptr, argv, environ) != 0) return;  // silent
    // Reap the child in the background so it never lingers as a zombie.
    std::thread([pid] {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
}
