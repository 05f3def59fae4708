#include "io.hpp"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace {

// A descriptor opened non-blocking says EAGAIN instead of waiting; wait for it here.
bool wait_for(int fd, short events)
{
    pollfd p{fd, events, 0};
    for (;;) {
        if (poll(&p, 1, -1) >= 0)
            return true;
        if (errno != EINTR)
            return false;
    }
}

bool must_wait(int err)
{
    return err == EAGAIN || err == EWOULDBLOCK;
}

bool has_direct(int fd)
{
    const int flags = fcntl(fd, F_GETFL);
    return flags >= 0 && (flags & O_DIRECT) != 0;
}

// Whether the transfer just refused was refused for its alignment (EINVAL on a descriptor with
// O_DIRECT) and O_DIRECT is now cleared, so that the same bytes go through without it.
bool direct_refused(int fd)
{
    return errno == EINVAL && has_direct(fd) && clear_direct(fd);
}

}  // namespace

ssize_t read_some(int fd, std::span<uint8_t> buf)
{
    for (;;) {
        const ssize_t n = read(fd, buf.data(), buf.size());
        if (n >= 0)
            return n;
        if (errno == EINTR)
            continue;
        if (direct_refused(fd))
            continue;
        if (!must_wait(errno) || !wait_for(fd, POLLIN))
            return -1;
    }
}

bool write_all(int fd, std::span<const uint8_t> data)
{
    while (!data.empty()) {
        const ssize_t n = write(fd, data.data(), data.size());
        if (n > 0) {
            data = data.subspan(static_cast<size_t>(n));
            continue;
        }
        if (n == 0) {  // the device took nothing and said nothing: trying again would spin
            errno = ENOSPC;
            return false;
        }
        if (errno == EINTR)
            continue;
        if (direct_refused(fd))
            continue;
        if (!must_wait(errno) || !wait_for(fd, POLLOUT))
            return false;
    }
    return true;
}

bool writes_direct(int fd)
{
    struct stat st;
    return fstat(fd, &st) == 0 && (S_ISREG(st.st_mode) || S_ISBLK(st.st_mode)) && has_direct(fd);
}

bool clear_direct(int fd)
{
    const int flags = fcntl(fd, F_GETFL);
    return flags >= 0 && fcntl(fd, F_SETFL, flags & ~O_DIRECT) == 0;
}

std::span<uint8_t> read_buffer(size_t at_least)
{
    const long page = sysconf(_SC_PAGESIZE);
    const size_t align = page > 0 ? static_cast<size_t>(page) : 4096;
    const size_t size = (at_least + align - 1) / align * align;
    auto* p = static_cast<uint8_t*>(std::aligned_alloc(align, size));
    return {p, p != nullptr ? size : 0};
}

void widen_pipe(int fd)
{
#if defined(F_GETPIPE_SZ) && defined(F_SETPIPE_SZ)  // Linux only; elsewhere pipes keep their size
    constexpr int wide = 1 << 20;
    // Not a pipe, or a pipe already as wide or wider (its other end may have widened it).
    const int size = fcntl(fd, F_GETPIPE_SZ);
    if (size < 0 || size >= wide)
        return;
    fcntl(fd, F_SETPIPE_SZ, wide);  // a refusal is fine: the pipe stays as it was
#else
    (void)fd;
#endif
}
