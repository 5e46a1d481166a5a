// The background command: how each way of ending reads, one run at a time, and a
// command that writes much on standard error does not stall on the pipe.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/background_command.h"

namespace {

// Polls until the run ends (at most 10 s); returns the failure text, or "timeout".
std::string Outcome(BackgroundCommand& c) {
    std::string failure;
    for (int i = 0; i < 1000; ++i) {
        if (c.Finished(failure)) return failure;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return "timeout";
}

TEST(BackgroundCommand, EndingsOneAtATimeAndAFullPipe) {
    const struct { const char* command; const char* failure; } rows[] = {
        {"echo chatter; echo noise >&2", ""},
        {"echo first >&2; printf 'the reason\\n\\n  \\n' >&2; exit 3", "exit status 3: the reason"},
        {"kill -9 $$", "killed by signal 9"},
        {"/nonexistent/sync", "exit status 127: /bin/sh: 1: /nonexistent/sync: not found"},
        {"head -c 300000 /dev/zero | tr '\\0' x >&2; echo >&2; echo done >&2; exit 1", "exit status 1: done"},
    };
    BackgroundCommand c;
    for (const auto& r : rows) {
        std::string error;
        ASSERT_TRUE(c.Start(r.command, error)) << error;
        EXPECT_FALSE(c.Start("true", error));
        EXPECT_EQ(Outcome(c), r.failure) << r.command;
        EXPECT_FALSE(c.Running());
    }
}

}  // namespace
