// Reads and writes that survive signals, partial transfers and non-blocking descriptors.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <span>

// Reads what is there, up to buf.size() bytes, waiting for it if need be. Returns the count,
// 0 at end of input, or -1 with errno set.
ssize_t read_some(int fd, std::span<uint8_t> buf);

// Writes all of `data`. Returns false with errno set if it cannot; a write that takes nothing
// counts as a full device (ENOSPC).
bool write_all(int fd, std::span<const uint8_t> data);

// How much to read at a time: large enough that a file goes through in few system calls, small
// enough to stay in cache with what it decodes to.
inline constexpr size_t read_size = 256 * 1024;

// Memory to read into, of at least `at_least` bytes: page-aligned and a whole number of pages,
// as a file opened with O_DIRECT needs. std::free releases it. Empty, with errno set, if there
// is none.
std::span<uint8_t> read_buffer(size_t at_least);

// Asks for a wider pipe, so that dehex and the process at the pipe's other end take turns less
// often. Best effort: a descriptor that is no pipe, a pipe as wide already, or a refusal, leaves
// things as they were. It never makes a pipe narrower.
void widen_pipe(int fd);
