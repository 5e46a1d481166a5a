// Files named on the command line that are streams rather than files: standard input and
// output ("-"), a descriptor the caller opened (/dev/fd/N, /dev/stdout, `>> log.txt`), a
// pipe, a terminal. A stream is read or written in place, as it comes; only a regular
// file is replaced in one step.
#pragma once

#include <cstddef>
#include <string>

#include "platform/regular_file.h"

// The descriptor a path names by itself: N for /dev/fd/N and /proc/self/fd/N, 0, 1 and 2
// for /dev/stdin, /dev/stdout and /dev/stderr; -1 for any other path ("-" included).
int DescriptorNamed(const std::string& path);

enum class OutputKind {
    kDescriptor,  // one of ours, written where it stands (an append stays an append)
    kStream,      // not a regular file (a FIFO, terminal or device): opened and written
    kFile,        // a regular file, or nothing yet: replaced atomically
};
struct OutputTarget {
    OutputKind kind = OutputKind::kFile;
    int fd = -1;  // of kDescriptor
};

// "-" is descriptor 1, and a path DescriptorNamed knows is its descriptor; so is a path
// whose file (links followed) is the one open for writing as descriptor 0, 1 or 2;
// anything else there that is not a regular file is a stream; the rest is a file.
OutputTarget ChooseOutputTarget(const std::string& path);

// Writes every byte to a kDescriptor or kStream target (`path` opened for writing, never
// created or truncated), going on after short writes. False with `error` set.
bool WriteToStream(const OutputTarget& target, const std::string& path, const void* data, size_t size,
                   std::string& error);

// Reads descriptor `fd` to its end, a pipe or terminal as well as a file: kRead, or
// kTooLarge past `max_bytes`, or kError.
FileRead ReadDescriptor(int fd, size_t max_bytes);

// Opens /dev/null on each of descriptors 0, 1 and 2 that is closed, so that no file or
// connection opened later takes its place and gets what is meant for it.
void OpenMissingStandardStreams();
