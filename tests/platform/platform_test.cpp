// The platform layer: the tick schedule and opening addresses. The single running copy
// and the real clocks (the frame rates, the 35 s sound period) are proved end to end.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "platform/browser.h"
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
    const std::string dir = testing::TempDir() + "strigolo-url-" + std::to_string(getpid()), record = dir + "/record";
    ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
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
}
