// Running the built dehex as a child process, with its standard streams set up as a test needs.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

inline constexpr int from_test = -1;  // the stream is a pipe to or from the test
inline constexpr int closed = -2;     // the stream is closed in the child

struct launch {
    int in = from_test;  // or a descriptor for the child's standard input, or `closed`
    int out = from_test;
    int err = from_test;  // or a descriptor for the child's standard error
    bool nonblocking_in = false;  // set O_NONBLOCK on the child's standard input
    bool nonblocking_out = false;
    bool ignore_sigpipe = false;
    size_t address_space = 0;  // a limit on the child's address space in bytes (RLIMIT_AS), or none
    bool no_pipe_resizing = false;  // a seccomp filter ends the child (SIGSYS) if it resizes a pipe
    std::vector<std::string> args{};
    std::vector<std::string> env{};  // "NAME=value" entries set for the child, over the test's own
};

struct child {
    pid_t pid = -1;
    int in = -1;   // the test's end of the pipes, where they are pipes
    int out = -1;
    int err = -1;
};

struct outcome {
    int status = -1;  // exit status, or -1 when a signal ended the child
    int signal = 0;   // the signal that ended it
    std::string out;
    std::string err;
    long peak_kib = 0;  // dehex's peak resident memory, as last seen while its output came
};

child spawn_dehex(const launch& how);

// Fills the buffer with the next input and returns how much; 0 ends the input.
using source = std::function<size_t(std::span<uint8_t>)>;
// Takes the next output; by default it is kept in outcome::out.
using sink = std::function<void(std::span<const uint8_t>)>;

// Feeds the child's input from `feed`, passes its output to `take`, collects its standard
// error, and waits for it to end.
outcome finish(child& c, const source& feed, const sink& take = {});

// A source that gives `input` and then ends. It keeps a view: `input` must outlive it.
source feeding(std::string_view input);

// Runs dehex on `input`, given through a pipe unless `how.in` says otherwise.
outcome run_dehex(const launch& how, std::string_view input = {});

// A file holding `contents`, open for reading from its start.
int file_with(std::string_view contents);
