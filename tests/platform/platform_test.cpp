// The platform layer: test clocks, the tick schedule, the single-instance claim, and
// opening addresses.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "platform/browser.h"
#include "platform/clock.h"
#include "platform/pacing.h"
#include "platform/window.h"

TEST(Clock, TestValuesReplaceTheRealClocksUntilCleared) {
    SetTickCountForTesting(0xFFFFFFF0u);
    SetWallClockForTesting(1796374800);
    EXPECT_EQ(GetTickCount(), 0xFFFFFFF0u);
    EXPECT_EQ(WallClock(), 1796374800);
    ClearClocksForTesting();
    const uint32_t a = GetTickCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const uint32_t b = GetTickCount();
    EXPECT_GE(uint32_t(b - a), 25u);
    EXPECT_LT(uint32_t(b - a), 5000u);
    EXPECT_NEAR(double(WallClock()), double(std::time(nullptr)), 2.0);
}

TEST(TickSchedule, StaysOnItsGridThroughRoundingAndLateWakeUpsAndRestartsWhenBehind) {
    // Each row: the time the tick runs (ms), its period, the wait returned and where
    // the schedule then stands.
    struct { double now, period; unsigned wait; double next; } rows[] = {
        {1000.0, 50.0 / 3, 17, 1016.67},  // a fresh schedule starts one period from now
        {1016.9, 50.0 / 3, 16, 1033.33},  // woken a little late: the grid holds
        {1033.4, 50.0 / 3, 17, 1050.00},
        {1080.0, 50.0 / 3, 17, 1096.67},  // fell behind: afresh from now
        {1096.7, 100.0, 100, 1196.67},    // a longer period goes on from the grid
        {1196.7, 50.0 / 3, 17, 1213.33},
        {1150.0, 50.0 / 3, 17, 1166.67}};  // far ahead (the clock went back): afresh
    double next = 0.0;
    for (const auto& r : rows) {
        EXPECT_EQ(ScheduleTick(next, r.now, r.period), r.wait) << r.now;
        EXPECT_NEAR(next, r.next, 0.01) << r.now;
    }
}

TEST(SingleInstance, TheFirstClaimHoldsAndASecondFindsIt) {
    const InstanceClaim first = ClaimSingleInstance("strigolo platform test window");
    ASSERT_NE(first, InstanceClaim::kNoDisplay) << "no X display (is DISPLAY set?)";
    EXPECT_EQ(first, InstanceClaim::kFirst);
    // The claim lives on the X server, so even this process now counts as running.
    EXPECT_EQ(ClaimSingleInstance("strigolo platform test window"), InstanceClaim::kAlreadyRunning);
}

TEST(Browser, OpensTheAddressWithoutAShellAndReapsTheChild) {
    char dir[] = "/tmp/strigolo-browser-XXXXXX";
    ASSERT_TRUE(mkdtemp(dir));
    const std::string record = std::string(dir) + "/record";
    const std::string stand_in = std::string(dir) + "/xdg-open";
    {
        std::ofstream f(stand_in);
        f << "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$1\" > " << record << ".tmp && mv " << record << ".tmp " << record
          << "\n";
    }
    chmod(stand_in.c_str(), 0755);
    const std::string old_path = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", (std::string(dir) + ":" + old_path).c_str(), 1);

    const char* url = "https://example.org/a b;$(touch /tmp/strigolo-pwned)";
    OpenUrl(url);
    std::string lines;
    for (int i = 0; i < 200 && lines.empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        std::ifstream in(record);
        std::getline(in, lines, '\0');
    }
    setenv("PATH", old_path.c_str(), 1);
    EXPECT_EQ(lines, std::string("1\n") + url + "\n") << "one argument, passed as it is";
    EXPECT_NE(access("/tmp/strigolo-pwned", F_OK), 0) << "no shell ran the address";

    // The child has been waited for: no zombie remains for this process.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);

    OpenUrl("");  // nothing to open: silently nothing
    std::system((std::string("rm -rf ") + dir).c_str());
}
