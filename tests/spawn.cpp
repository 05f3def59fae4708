#include "spawn.hpp"

#include <fcntl.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace {

void check(bool ok, const char* what)
{
    if (!ok)
        throw std::runtime_error(std::string(what) + ": " + std::strerror(errno));
}

// What is executed: dehex itself, or, in a cross build, the emulator that runs it (with dehex's
// path as the emulator's first argument).
#ifdef DEHEX_EMULATOR
const std::vector<std::string> dehex_command{DEHEX_EMULATOR, DEHEX_PATH};
#else
const std::vector<std::string> dehex_command{DEHEX_PATH};
#endif

// Variables meant for dehex itself, as "NAME=value" entries. Under an emulator they would act on
// the emulator (an LD_PRELOAD of a library built for the target, say), so they go to it in one
// QEMU_SET_ENV, which it sets in its guest's environment instead.
std::vector<std::string> environment_for_dehex(const std::vector<std::string>& entries)
{
#ifdef DEHEX_EMULATOR
    std::string all;
    for (const std::string& entry : entries)
        all += (all.empty() ? "QEMU_SET_ENV=" : ",") + entry;
    return all.empty() ? std::vector<std::string>{} : std::vector<std::string>{all};
#else
    return entries;
#endif
}

// The environment dehex starts with: the test's own, where each entry of `how.env` replaces the
// variable of its name or adds it.
std::vector<std::string> environment_for(const launch& how)
{
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e)
        env.emplace_back(*e);
    for (const std::string& entry : environment_for_dehex(how.env)) {
        const std::string name = entry.substr(0, entry.find('=')) + '=';
        std::erase_if(env, [&](const std::string& e) { return e.starts_with(name); });
        env.push_back(entry);
    }
    return env;
}

std::vector<char*> pointers_to(std::vector<std::string>& strings)
{
    std::vector<char*> p;
    for (auto& s : strings)
        p.push_back(s.data());
    p.push_back(nullptr);
    return p;
}

// A seccomp filter that ends the process at fcntl(fd, F_SETPIPE_SZ, ...) and allows every other
// call. 32-bit C libraries call fcntl64.
constexpr uint32_t command_offset = offsetof(seccomp_data, args) + sizeof(uint64_t) +
                                    (std::endian::native == std::endian::big ? 4 : 0);
sock_filter no_pipe_resizing[] = {
    BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
#ifdef SYS_fcntl64
    BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_fcntl64, 1, 0),
#endif
    BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_fcntl, 0, 3),
    BPF_STMT(BPF_LD | BPF_W | BPF_ABS, command_offset),
    BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, F_SETPIPE_SZ, 0, 1),
    BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_KILL_PROCESS),
    BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
};

// In the child, before exec: only async-signal-safe calls.
[[noreturn]] void become_dehex(const launch& how, int in, int out, int err, char** argv,
                               char** envp)
{
    signal(SIGPIPE, how.ignore_sigpipe ? SIG_IGN : SIG_DFL);
    if (in >= 0)
        dup2(in, STDIN_FILENO);
    if (out >= 0)
        dup2(out, STDOUT_FILENO);
    if (err >= 0)
        dup2(err, STDERR_FILENO);
    close_range(3, ~0U, 0);
    if (how.in == closed)
        close(STDIN_FILENO);
    if (how.out == closed)
        close(STDOUT_FILENO);
    if (how.nonblocking_in)
        fcntl(STDIN_FILENO, F_SETFL, fcntl(STDIN_FILENO, F_GETFL) | O_NONBLOCK);
    if (how.nonblocking_out)
        fcntl(STDOUT_FILENO, F_SETFL, fcntl(STDOUT_FILENO, F_GETFL) | O_NONBLOCK);
    if (how.address_space > 0) {
        const rlimit limit{how.address_space, how.address_space};
        setrlimit(RLIMIT_AS, &limit);
    }
    if (how.no_pipe_resizing) {
        const sock_fprog filter{std::size(no_pipe_resizing), no_pipe_resizing};
        if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 || prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &filter) != 0)
            _exit(126);
    }
    execve(argv[0], argv, envp);
    _exit(127);
}

}  // namespace

child spawn_dehex(const launch& how)
{
    // The test writes to pipes whose reader may be gone; it wants EPIPE, not to be killed.
    signal(SIGPIPE, SIG_IGN);

    int in_pipe[2] = {-1, -1};
    int out_pipe[2] = {-1, -1};
    int err_pipe[2] = {-1, -1};
    if (how.in == from_test)
        check(pipe2(in_pipe, O_CLOEXEC) == 0, "pipe");
    if (how.out == from_test)
        check(pipe2(out_pipe, O_CLOEXEC) == 0, "pipe");
    if (how.err == from_test)
        check(pipe2(err_pipe, O_CLOEXEC) == 0, "pipe");

    std::vector<std::string> args = dehex_command;
    args.insert(args.end(), how.args.begin(), how.args.end());
    std::vector<char*> argv = pointers_to(args);
    std::vector<std::string> env = environment_for(how);
    std::vector<char*> envp = pointers_to(env);

    const int child_in = how.in == from_test ? in_pipe[0] : how.in;
    const int child_out = how.out == from_test ? out_pipe[1] : how.out;
    const int child_err = how.err == from_test ? err_pipe[1] : how.err;
    const pid_t pid = fork();
    check(pid >= 0, "fork");
    if (pid == 0)
        become_dehex(how, child_in, child_out, child_err, argv.data(), envp.data());

    for (int fd : {in_pipe[0], out_pipe[1], err_pipe[1]})
        if (fd >= 0)
            close(fd);
    // The test must never block on a write while the child waits for its output to be read.
    if (in_pipe[1] >= 0)
        fcntl(in_pipe[1], F_SETFL, O_NONBLOCK);
    return {pid, in_pipe[1], out_pipe[0], err_pipe[0]};
}

namespace {

// The peak resident memory of the program that `pid` runs now, in KiB, or 0 once it has ended.
// wait4's count would not do: it takes in the copy of the test that the fork made before exec.
long peak_kib_of(pid_t pid)
{
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/status", static_cast<int>(pid));
    FILE* f = std::fopen(path, "r");
    if (f == nullptr)
        return 0;
    long kib = 0;
    char line[256];
    while (std::fgets(line, sizeof line, f) != nullptr)
        if (std::sscanf(line, "VmHWM: %ld", &kib) == 1)
            break;
    std::fclose(f);
    return kib;
}

}  // namespace

outcome finish(child& c, const source& feed, const sink& take)
{
    outcome result;
    std::vector<uint8_t> pending;
    size_t sent = 0;
    uint8_t buf[65536];
    for (;;) {
        if (c.in >= 0 && sent == pending.size()) {
            pending.resize(sizeof buf);
            pending.resize(feed(pending));
            sent = 0;
            if (pending.empty()) {
                close(c.in);
                c.in = -1;
            }
        }
        pollfd fds[3];
        nfds_t n = 0;
        for (auto [fd, events] : {std::pair{c.in, POLLOUT}, {c.out, POLLIN}, {c.err, POLLIN}})
            if (fd >= 0)
                fds[n++] = {fd, static_cast<short>(events), 0};
        if (n == 0)
            break;
        if (poll(fds, n, -1) < 0) {
            check(errno == EINTR, "poll");
            continue;
        }
        for (nfds_t i = 0; i < n; ++i) {
            if (fds[i].revents == 0)
                continue;
            const int fd = fds[i].fd;
            if (fd == c.in) {
                const ssize_t w = write(fd, pending.data() + sent, pending.size() - sent);
                if (w < 0 && errno == EPIPE) {  // the child stopped reading
                    close(c.in);
                    c.in = -1;
                } else {
                    check(w >= 0 || errno == EINTR || errno == EAGAIN, "write");
                    sent += w > 0 ? static_cast<size_t>(w) : 0;
                }
                continue;
            }
            const ssize_t r = read(fd, buf, sizeof buf);
            check(r >= 0 || errno == EINTR, "read");
            if (r < 0)
                continue;
            if (r == 0) {
                close(fd);
                (fd == c.out ? c.out : c.err) = -1;
                continue;
            }
            // Output has come, so the child has become dehex: its memory is dehex's.
            if (fd == c.out)
                result.peak_kib = std::max(result.peak_kib, peak_kib_of(c.pid));
            const std::span<const uint8_t> got(buf, static_cast<size_t>(r));
            if (fd == c.out && take)
                take(got);
            else
                (fd == c.out ? result.out : result.err).append(got.begin(), got.end());
        }
    }

    int status = 0;
    while (waitpid(c.pid, &status, 0) < 0)
        check(errno == EINTR, "waitpid");
    if (WIFEXITED(status))
        result.status = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        result.signal = WTERMSIG(status);
    return result;
}

source feeding(std::string_view input)
{
    return [input](std::span<uint8_t> buf) mutable {
        const size_t n = std::min(buf.size(), input.size());
        std::memcpy(buf.data(), input.data(), n);
        input.remove_prefix(n);
        return n;
    };
}

outcome run_dehex(const launch& how, std::string_view input)
{
    child c = spawn_dehex(how);
    return finish(c, feeding(input));
}

int file_with(std::string_view contents)
{
    std::FILE* f = std::tmpfile();
    check(f != nullptr, "tmpfile");
    check(std::fwrite(contents.data(), 1, contents.size(), f) == contents.size(), "fwrite");
    check(std::fflush(f) == 0, "fflush");
    const int fd = dup(fileno(f));
    std::fclose(f);
    check(fd >= 0 && lseek(fd, 0, SEEK_SET) == 0, "lseek");
    return fd;
}
