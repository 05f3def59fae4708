// Reads and writes that survive signals, partial transfers and non-blocking descriptors.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <span>

// Reads what is there, up to buf.size() bytes, waiting for it if need be. Returns the count,
// 0 at end of input, or -1 with errno set. Where `fd` has O_DIRECT and the system refuses a read
// for its alignment (EINVAL), O_DIRECT is cleared on it and the same bytes are read without.
ssize_t read_some(int fd, std::span<uint8_t> buf);

// Writes all of `data`. Returns false with errno set if it cannot; a write that takes nothing
// counts as a full device (ENOSPC). Where `fd` has O_DIRECT and the system refuses a write for
// its alignment (EINVAL), O_DIRECT is cleared on it and the rest is written without.
bool write_all(int fd, std::span<const uint8_t> data);

// What writes to a descriptor opened with O_DIRECT are made of: whole units of this size, from
// memory aligned to it. 4096 is a multiple of every common device's logical block.
inline constexpr size_t direct_unit = 4096;

// Whether fd is a regular file or block device opened with O_DIRECT. (A pipe with O_DIRECT is in
// packet mode, which takes writes of any size.)
bool writes_direct(int fd);

// Clears O_DIRECT on fd, so that it takes a last partial unit. Returns false with errno set if
// it cannot.
bool clear_direct(int fd);

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
