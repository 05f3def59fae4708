// Loaded into dehex with LD_PRELOAD: every write to standard output returns 0, as if the device
// took nothing and said nothing. A writer that took that for progress would try again for ever,
// so after many such writes the shim ends the process itself, saying why, for a test to see.
#include <sys/syscall.h>
#include <unistd.h>

#include <cstring>

extern "C" ssize_t write(int fd, const void* buf, size_t n)
{
    static long zero_writes = 0;
    if (fd != STDOUT_FILENO || n == 0)
        return syscall(SYS_write, fd, buf, n);
    if (++zero_writes == 100000) {
        const char why[] = "zero_write_shim: 100000 writes without progress\n";
        syscall(SYS_write, STDERR_FILENO, why, std::strlen(why));
        _exit(125);
    }
    return 0;
}
