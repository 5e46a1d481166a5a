// The background command: posix_spawn of /bin/sh, a non-blocking pipe for its
// standard error, waitpid with WNOHANG.
#include "platform/background_command.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

extern char** environ;

namespace {
constexpr size_t kTailBytes = 400;
}  // namespace

BackgroundCommand::~BackgroundCommand() {
    // A sync half done is worse than one finished after the owl left: the command runs on.
    if (err_fd_ >= 0) ::close(err_fd_);
}

bool BackgroundCommand::Start(const std::string& command, std::string& error) {
    if (Running()) return error = "still running", false;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return error = std::string("pipe: ") + std::strerror(errno), false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
    // Its own process group: a Ctrl-C meant for the owl in a terminal leaves the sync be.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    posix_spawnattr_setpgroup(&attr, 0);
    sigset_t none, defaults;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attr, &none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    char sh[] = "/bin/sh", dash_c[] = "-c";
    char* argv[] = {sh, dash_c, const_cast<char*>(command.c_str()), nullptr};
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, "/bin/sh", &actions, &attr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    ::close(fds[1]);
    if (rc != 0) {
        ::close(fds[0]);
        return error = std::string("/bin/sh: ") + std::strerror(rc), false;
    }
    ::fcntl(fds[0], F_SETFL, ::fcntl(fds[0], F_GETFL) | O_NONBLOCK);
    pid_ = pid;
    err_fd_ = fds[0];
    err_tail_.clear();
    return true;
}

void BackgroundCommand::Drain() {
    char buf[4096];
    for (ssize_t n; err_fd_ >= 0 && (n = ::read(err_fd_, buf, sizeof buf)) != 0;) {
        if (n < 0) {
            if (errno == EINTR) continue;
            break;  // EAGAIN: nothing more for now
        }
        err_tail_.append(buf, size_t(n));
        if (err_tail_.size() > kTailBytes) err_tail_.erase(0, err_tail_.size() - kTailBytes);
    }
}

bool BackgroundCommand::Finished(std::string& failure) {
    if (!Running()) return false;
    Drain();
    int status = 0;
    const pid_t r = ::waitpid(pid_, &status, WNOHANG);
    if (r == 0 || (r < 0 && errno == EINTR)) return false;
    pid_ = -1;
    Drain();  // what it wrote just before it ended
    ::close(err_fd_);
    err_fd_ = -1;
    failure.clear();
    if (r < 0) return failure = std::string("lost track of it: ") + std::strerror(errno), true;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
    failure = WIFEXITED(status) ? "exit status " + std::to_string(WEXITSTATUS(status))
                                : std::string("killed by signal ") + std::to_string(WTERMSIG(status));
    // The last line with something on it: the command's own reason.
    size_t end = err_tail_.find_last_not_of(" \t\r\n");
    if (end != std::string::npos) {
        const size_t begin = err_tail_.rfind('\n', end);
        failure += ": " + err_tail_.substr(begin == std::string::npos ? 0 : begin + 1,
                                           end - (begin == std::string::npos ? 0 : begin + 1) + 1);
    }
    return true;
}
