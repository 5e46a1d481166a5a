// The platform layer: the tick schedule, opening addresses, where an export goes, the
// lock file and names for files put aside. The single running copy and the real clocks
// (the frame rates, the 35 s sound period) are proved end to end.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "platform/atomic_file.h"
#include "platform/browser.h"
#include "platform/file_lock.h"
#include "platform/named_stream.h"
#include "platform/pacing.h"

TEST(TickSchedule, StaysOnItsGridThroughRoundingAndLateWakeUpsAndRestartsWhenBehind) {
    // Each row: the time the tick runs (ms), its period, the wait returned and where
    // the schedule then stands.
    struct { double now, period; unsigned wait; double next; } rows[] = {
        {1000.0, 50.0 / 3, 17, 1016.67},  // a fresh schedule starts one period from now
        {1016.9, 50.0 / 3, 16, 1033.33},  // woken a little late: the grid holds
        {1033.4, 50.0 / 3, 17, 1050.00}, {1080.0, 50.0 / 3, 17, 1096.67},  // fell behind: afresh from now
        {1096.7, 100.0, 100, 1196.67},    // a longer period goes on from the grid
        {1196.7, 50.0 / 3, 17, 1213.33},
        {1150.0, 50.0 / 3, 17, 1166.67}};  // far ahead (the clock went back): afresh
    double next = 0.0;
    for (const auto& r : rows) {
        EXPECT_EQ(ScheduleTick(next, r.now, r.period), r.wait) << r.now;
        EXPECT_NEAR(next, r.next, 0.01) << r.now;
    }
}

// A stand-in xdg-open first in PATH records its arguments: one, the address as it is,
// no shell run over it, the child reaped; an empty address starts nothing.
TEST(Browser, OpensTheAddressWithoutAShellAndReapsTheChild) {
    std::string dir = testing::TempDir() + "strigolo-url-XXXXXX";
    ASSERT_NE(mkdtemp(&dir[0]), nullptr);  // a name of its own: a pid may be reused by a later run
    const std::string record = dir + "/record";
    std::ofstream(dir + "/xdg-open") << "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$1\" >> " << record << "\n";
    chmod((dir + "/xdg-open").c_str(), 0755);
    setenv("PATH", (dir + ":" + std::getenv("PATH")).c_str(), 1);  // for the rest of this process
    const char* url = "https://example.org/a b;$(touch /tmp/strigolo-pwned)";
    OpenUrl("");
    OpenUrl(url);
    for (int i = 0; i < 200 && access(record.c_str(), F_OK) != 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // for a second record, and the reaping
    std::string lines;
    std::getline(std::ifstream(record), lines, '\0');
    EXPECT_EQ(lines, std::string("1\n") + url + "\n");
    EXPECT_NE(access("/tmp/strigolo-pwned", F_OK), 0) << "a shell ran the address";
    EXPECT_TRUE(waitpid(-1, nullptr, WNOHANG) == -1 && errno == ECHILD) << "a child left unreaped";
    std::filesystem::remove_all(dir);
}

// A user's file in a folder of the test's own.
class PlatformFiles : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/strigolo-platform-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(tmpl));
        dir = tmpl;
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::string dir;
};

// What an export does with the name it is given: our own descriptors in place (by
// name, or a file named again that is open as one of them), other streams opened,
// regular files and new names replaced.
TEST_F(PlatformFiles, OutputTargetsStreamsInPlaceFilesReplaced) {
    std::ofstream(dir + "/old.ics") << "x";
    mkfifo((dir + "/fifo").c_str(), 0600);
    std::ofstream(dir + "/as-stdin") << "x";
    const int saved = dup(0), opened = open((dir + "/as-stdin").c_str(), O_RDWR);
    ASSERT_TRUE(saved >= 0 && opened >= 0 && dup2(opened, 0) == 0);
    const struct { std::string path; OutputKind kind; int fd; } rows[] = {
        {"-", OutputKind::kDescriptor, 1}, {"/dev/stdout", OutputKind::kDescriptor, 1},
        {"/proc/self/fd/2", OutputKind::kDescriptor, 2}, {"/dev/fd/7", OutputKind::kDescriptor, 7},
        {dir + "/as-stdin", OutputKind::kDescriptor, 0}, {"/dev/null", OutputKind::kStream, -1},
        {dir + "/fifo", OutputKind::kStream, -1}, {dir + "/old.ics", OutputKind::kFile, -1},
        {dir + "/new.ics", OutputKind::kFile, -1}};
    for (const auto& r : rows) {
        const OutputTarget t = ChooseOutputTarget(r.path);
        EXPECT_TRUE(t.kind == r.kind && t.fd == r.fd) << r.path << ": " << int(t.kind) << " " << t.fd;
    }
    dup2(saved, 0), close(saved), close(opened);
}

// Owner only, made so or left readable by all by an older version: who can open it can
// hold it.
TEST_F(PlatformFiles, TheLockFileIsTheOwnersAlone) {
    const std::string path = dir + "/database.bin.lock";
    for (const bool made_before : {false, true}) {
        if (made_before) chmod(path.c_str(), 0644);
        FileLock lock;
        std::string error;
        int err = 0;
        ASSERT_TRUE(lock.Acquire(path, 0, error, err)) << error;
        struct stat st {};
        ASSERT_EQ(0, stat(path.c_str(), &st));
        EXPECT_EQ(0600u, st.st_mode & 0777) << made_before;
    }
}

// A hundred files already put aside in the same second: the next gets the next count.
TEST_F(PlatformFiles, MoveAsideCountsPastEveryTakenName) {
    const std::string file = dir + "/database.bin", suffix = ".unreadable-20300301-100000";
    std::ofstream(file) << "x";
    std::ofstream(file + suffix) << "x";
    for (int n = 2; n <= 100; ++n) std::ofstream(file + suffix + "-" + std::to_string(n)) << "x";
    std::string moved, error;
    EXPECT_TRUE(MoveAside(file, suffix, moved, error)) << error;
    EXPECT_EQ(file + suffix + "-101", moved);
}
