// A shell command run in the background (the calendar's sync command): started without
// waiting, looked at without waiting, never two at once, its last words on standard
// error kept for the message when it fails.
#pragma once

#include <string>
#include <sys/types.h>

class BackgroundCommand {
public:
    BackgroundCommand() = default;
    ~BackgroundCommand();
    BackgroundCommand(const BackgroundCommand&) = delete;
    BackgroundCommand& operator=(const BackgroundCommand&) = delete;

    // Starts `/bin/sh -c command` with standard input and output on /dev/null and
    // standard error on a pipe this object reads. False, starting nothing, while a run is
    // still going, or when it could not be started (`error` says why).
    bool Start(const std::string& command, std::string& error);

    bool Running() const { return pid_ > 0; }

    // Never waits. Reads what the command wrote on standard error so far (so it never
    // stalls on a full pipe); when it has ended, reaps it and returns true with
    // `failure` empty for exit status 0, else saying how it ended and its last
    // non-blank line on standard error.
    bool Finished(std::string& failure);

private:
    void Drain();

    pid_t pid_ = -1;
    int err_fd_ = -1;
    std::string err_tail_;  // the end of its standard error, at most a few hundred bytes
};
