// The built dehex, run as a user runs it: its streams, its messages and its exit status.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>
#include <random>
#include <thread>

#include "support.hpp"
#include "spawn.hpp"

using namespace std::string_literals;

namespace {

std::string as_string(const byte_string& b)
{
    return {b.begin(), b.end()};
}

int open_or_die(const char* path, int flags)
{
    const int fd = open(path, flags);
    if (fd < 0)
        throw std::runtime_error(std::string("open ") + path);
    return fd;
}

// A pipe whose reading end is already closed.
int pipe_without_reader()
{
    int fds[2];
    if (pipe(fds) != 0)
        throw std::runtime_error("pipe");
    close(fds[0]);
    return fds[1];
}

TEST(Cli, StreamsExitStatusAndMessages)
{
    const std::string hex = "cafe\n00ff\n";
    const std::string decoded = "\xCA\xFE\x00\xFF"s;
    const struct {
        const char* name;
        std::function<launch()> how;
        std::string input, out;
        int status, signal;
        std::string err;
    } cases[] = {
        {"pipe", [] { return launch{}; }, hex, decoded, 0, 0, ""},
        {"file", [&] { return launch{.in = file_with(hex)}; }, "", decoded, 0, 0, ""},
        {"empty pipe", [] { return launch{}; }, "", "", 0, 0, ""},
        {"empty file", [] { return launch{.in = file_with("")}; }, "", "", 0, 0, ""},
        {"no line feed at the end", [] { return launch{}; }, "cafe", "\xCA\xFE", 0, 0, ""},
        {"arguments", [] { return launch{.args = {"-h", "--help", "-", "/no/such/file", ""}}; },
         hex, decoded, 0, 0, ""},
        {"disk full", [] { return launch{.out = open_or_die("/dev/full", O_WRONLY)}; },
         hex, "", 1, 0, "dehex: write error: No space left on device\n"},
        {"output closed", [] { return launch{.out = closed}; },
         hex, "", 1, 0, "dehex: write error: Bad file descriptor\n"},
        {"output closed, nothing to write", [] { return launch{.out = closed}; }, "\n", "", 0, 0, ""},
        {"reader gone", [] { return launch{.out = pipe_without_reader()}; }, hex, "", -1, SIGPIPE, ""},
        {"reader gone, SIGPIPE ignored",
         [] { return launch{.out = pipe_without_reader(), .ignore_sigpipe = true}; },
         hex, "", 1, 0, "dehex: write error: Broken pipe\n"},
        {"input closed", [] { return launch{.in = closed}; },
         "", "", 1, 0, "dehex: read error: Bad file descriptor\n"},
        {"input a directory", [] { return launch{.in = open_or_die("/", O_RDONLY | O_DIRECTORY)}; },
         "", "", 1, 0, "dehex: read error: Is a directory\n"},
        // g++'s sanitizer runtime is a shared library, which refuses to come after a preloaded one.
        {"write makes no progress",
         [] { return launch{.env = {"LD_PRELOAD="s + ZERO_WRITE_SHIM, "ASAN_OPTIONS=verify_asan_link_order=0"}}; },
         hex, "", 1, 0, "dehex: write error: No space left on device\n"},
    };
    for (const auto& c : cases) {
        const launch how = c.how();
        const outcome got = run_dehex(how, c.input);
        for (int fd : {how.in, how.out})
            if (fd >= 0)
                close(fd);
        EXPECT_EQ(got.out, c.out) << c.name;
        EXPECT_EQ(got.status, c.status) << c.name;
        EXPECT_EQ(got.signal, c.signal) << c.name;
        EXPECT_EQ(got.err, c.err) << c.name;
    }
}

TEST(Cli, ManyReadsFromFileAndPipe)
{
    std::mt19937_64 rng(5);
    const byte_string text = random_text(rng, 3 << 20);
    const std::string input = as_string(text);
    const std::string expected = as_string(decode_by_lines(text));

    const outcome piped = run_dehex({}, input);
    EXPECT_EQ(piped.status, 0);
    EXPECT_TRUE(piped.out == expected) << "pipe: output differs";

    const int fd = file_with(input);
    const outcome filed = run_dehex({.in = fd});
    close(fd);
    EXPECT_EQ(filed.status, 0);
    EXPECT_TRUE(filed.out == expected) << "file: output differs";
}

// Waits up to ten seconds for n bytes on fd.
std::string read_within(int fd, size_t n)
{
    std::string got;
    pollfd p{fd, POLLIN, 0};
    while (got.size() < n && poll(&p, 1, 10000) == 1) {
        char buf[64];
        const ssize_t r = read(fd, buf, std::min(sizeof buf, n - got.size()));
        if (r <= 0)
            break;
        got.append(buf, static_cast<size_t>(r));
    }
    return got;
}

TEST(Cli, EachLineComesOutWhileInputStaysOpen)
{
    child c = spawn_dehex({});
    for (const auto& [line, bytes] : {std::pair{"cafe\n", "\xCA\xFE"}, {"4142\n", "AB"}}) {
        ASSERT_EQ(write(c.in, line, std::strlen(line)), static_cast<ssize_t>(std::strlen(line)));
        EXPECT_EQ(read_within(c.out, std::strlen(bytes)), bytes) << "after " << line;
    }
    const outcome rest = finish(c, [](std::span<uint8_t>) { return size_t{0}; });
    EXPECT_EQ(rest.status, 0);
    EXPECT_EQ(rest.out, "");
}

// A connected pair of TCP sockets on the loopback interface: {dehex's end, the test's end}.
std::pair<int, int> tcp_pair()
{
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    auto* any = reinterpret_cast<sockaddr*>(&addr);
    if (listener < 0 || bind(listener, any, len) != 0 || listen(listener, 1) != 0 ||
        getsockname(listener, any, &len) != 0)
        throw std::runtime_error("listen on loopback");
    const int client = socket(AF_INET, SOCK_STREAM, 0);
    if (client < 0 || connect(client, any, len) != 0)
        throw std::runtime_error("connect on loopback");
    const int server = accept(listener, nullptr, nullptr);
    close(listener);
    return {server, client};
}

TEST(Cli, ReadErrorKeepsWhatWasDecoded)
{
    const auto [input, writer] = tcp_pair();
    child c = spawn_dehex({.in = input});
    close(input);
    ASSERT_EQ(write(writer, "cafe\n", 5), 5);
    EXPECT_EQ(read_within(c.out, 2), "\xCA\xFE");
    // Closing with a zero linger time resets the connection: dehex's next read fails.
    const linger reset{1, 0};
    setsockopt(writer, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    close(writer);
    const outcome rest = finish(c, {});
    EXPECT_EQ(rest.out, "");
    EXPECT_EQ(rest.status, 1);
    EXPECT_EQ(rest.err, "dehex: read error: Connection reset by peer\n");
}

// The address space of a process, in bytes, as /proc shows it.
size_t address_space_of(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("VmSize:"))
            return std::stoul(line.substr(7)) * 1024;
    throw std::runtime_error("no VmSize");
}

TEST(Cli, NoMemoryForTheReadBuffer)
{
#if defined(DEHEX_SANITIZED) || defined(DEHEX_EMULATOR)
    GTEST_SKIP() << "the sanitizers and the emulator need far more address space than dehex";
#endif
    if (const char* preload = std::getenv("LD_PRELOAD"); preload && std::strstr(preload, "valgrind"))
        GTEST_SKIP() << "valgrind manages dehex's memory itself";
    // A dehex that has decoded a line holds its read buffer; one given 128 KiB less address
    // space than that starts, but finds no room for the buffer.
    child running = spawn_dehex({});
    ASSERT_EQ(write(running.in, "cafe\n", 5), 5);
    ASSERT_EQ(read_within(running.out, 2), "\xCA\xFE");
    const size_t needed = address_space_of(running.pid);
    EXPECT_EQ(finish(running, feeding("")).status, 0);
    const outcome got = run_dehex({.address_space = needed - (128 << 10)}, "cafe\n");
    EXPECT_EQ(got.out, "");
    EXPECT_EQ(got.status, 1);
    EXPECT_EQ(got.err, "dehex: read buffer: Cannot allocate memory\n");
}

TEST(Cli, NonBlockingInputWithASlowWriter)
{
    std::mt19937_64 rng(11);
    const byte_string text = random_text(rng, 20000);
    const std::string input = as_string(text);
    child c = spawn_dehex({.nonblocking_in = true});
    const outcome got = finish(c, [feed = feeding(input)](std::span<uint8_t> buf) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return feed(buf.first(std::min(buf.size(), size_t{333})));
    });
    EXPECT_EQ(got.status, 0);
    EXPECT_EQ(got.err, "");
    EXPECT_TRUE(got.out == as_string(decode_by_lines(text))) << "output differs";
}

TEST(Cli, NonBlockingOutputWithASlowReader)
{
    // Read from a file, dehex writes more at a time than its output pipe holds, so the pipe is
    // full and the write says EAGAIN before this reader has taken anything.
    std::mt19937_64 rng(13);
    const byte_string text = random_text(rng, 8 << 20);
    const int fd = file_with(as_string(text));
    std::string out;
    child c = spawn_dehex({.in = fd, .nonblocking_out = true});
    close(fd);
    const outcome got = finish(c, {}, [&](std::span<const uint8_t> piece) {
        out.append(piece.begin(), piece.end());
        std::this_thread::sleep_for(std::chrono::microseconds(300));
    });
    EXPECT_EQ(got.status, 0);
    EXPECT_EQ(got.err, "");
    EXPECT_TRUE(out == as_string(decode_by_lines(text))) << "output differs";
}

// Fills a non-blocking pipe to the brim; returns how many bytes it took.
size_t fill(int fd)
{
    const std::string page(4096, 'x');
    size_t filled = 0;
    for (size_t piece : {page.size(), size_t{1}}) {
        ssize_t w;
        while ((w = write(fd, page.data(), piece)) > 0)
            filled += static_cast<size_t>(w);
        if (errno != EAGAIN)
            throw std::runtime_error("fill a pipe");
    }
    return filled;
}

// The state letter of a process, as /proc shows it: R running, S asleep, Z ended, ...
char state_of(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    const size_t state = line.rfind(')') + 2;  // after the name, which may hold anything
    return state > 1 && state < line.size() ? line[state] : '?';
}

// Waits until the process has ended, or has been asleep for a tenth of a second in a row, or
// five seconds have passed.
void wait_until_ended_or_asleep(pid_t pid)
{
    int asleep = 0;
    for (int tick = 0; tick < 500 && asleep < 10; ++tick) {
        const char state = state_of(pid);
        if (state == 'Z')
            return;
        asleep = state == 'S' ? asleep + 1 : 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

TEST(Cli, ErrorLineWaitsForRoomOnAFullNonBlockingStandardError)
{
    int err[2];
    ASSERT_EQ(pipe2(err, O_CLOEXEC), 0);
    ASSERT_EQ(fcntl(err[1], F_SETFL, O_NONBLOCK), 0);
    const size_t filled = fill(err[1]);
    const int full = open_or_die("/dev/full", O_WRONLY);
    child c = spawn_dehex({.out = full, .err = err[1]});
    close(full);
    close(err[1]);
    ASSERT_EQ(write(c.in, "cafe\n", 5), 5);
    close(c.in);
    c.in = -1;
    // Drained only once dehex has met the error and tried to say so, when it must wait for room
    // rather than give up. Before that it has no cause to sleep for long.
    wait_until_ended_or_asleep(c.pid);
    const std::string message = "dehex: write error: No space left on device\n";
    const std::string drained = read_within(err[0], filled + message.size());
    close(err[0]);
    const outcome got = finish(c, {});
    EXPECT_EQ(got.status, 1);
    EXPECT_EQ(drained.size(), filled + message.size());
    EXPECT_EQ(drained.substr(std::min(filled, drained.size())), message);
}

// A file beside dehex, on the file system it was built on, holding `contents` and opened again
// with `flags` | O_DIRECT; it is unlinked at once. -1 with errno set if that open fails.
int direct_file(std::string_view contents, int flags)
{
    std::string path = DEHEX_PATH ".direct-XXXXXX"s;
    const int fd = mkstemp(path.data());
    if (fd < 0)
        throw std::runtime_error("mkstemp " + path);
    const bool written = write(fd, contents.data(), contents.size()) == static_cast<ssize_t>(contents.size());
    close(fd);
    const int direct = open(path.c_str(), flags | O_DIRECT);
    const int open_error = errno;
    unlink(path.c_str());
    if (!written)
        throw std::runtime_error("write " + path);
    errno = open_error;
    return direct;
}

#define SKIP_IF_REFUSED(fd)                                                                  \
    if ((fd) < 0 && errno == EINVAL)                                                         \
        GTEST_SKIP() << "the file system under " DEHEX_PATH " refuses O_DIRECT";             \
    ASSERT_GE((fd), 0) << std::strerror(errno)

// Whether the file system under dehex refuses a direct read or write of one aligned unit at file
// offset `at`, as some do where `at` is no multiple of their block (tmpfs takes any offset since
// Linux 6.6). dehex keeps O_DIRECT wherever it is not refused.
bool refuses_direct_at(off_t at, bool writing)
{
    const int fd = direct_file(std::string(3 * 4096, 'x'), O_RDWR);
    if (fd < 0)
        return true;
    alignas(4096) static char unit[4096];
    const ssize_t n = writing ? pwrite(fd, unit, sizeof unit, at) : pread(fd, unit, sizeof unit, at);
    const bool refused = n < 0 && errno == EINVAL;
    close(fd);
    return refused;
}

TEST(Cli, DirectInputFromAFile)
{
    std::mt19937_64 rng(17);
    byte_string text = random_text(rng, 600000);
    if (text.size() % 4096 == 0)
        text.push_back('\n');
    const struct {
        const char* name;
        off_t at;  // where dehex starts reading
    } cases[] = {{"from the start", 0}, {"from byte 4097", 4097}};
    for (const auto& c : cases) {
        const int direct = direct_file(as_string(text), O_RDONLY);
        SKIP_IF_REFUSED(direct);
        const bool expect_direct = !refuses_direct_at(c.at, false);
        lseek(direct, c.at, SEEK_SET);
        const outcome got = run_dehex({.in = direct});
        const bool still_direct = (fcntl(direct, F_GETFL) & O_DIRECT) != 0;
        close(direct);
        EXPECT_EQ(got.status, 0) << c.name;
        EXPECT_EQ(got.err, "") << c.name;
        const byte_string rest(text.begin() + c.at, text.end());
        EXPECT_TRUE(got.out == as_string(decode_by_lines(rest))) << c.name << ": output differs";
        EXPECT_EQ(still_direct, expect_direct) << c.name;
    }
}

// The whole contents of the file open at fd, read from its start.
std::string contents_of(int fd)
{
    std::string got;
    char buf[65536];
    ssize_t n;
    for (off_t at = 0; (n = pread(fd, buf, sizeof buf, at)) > 0; at += n)
        got.append(buf, static_cast<size_t>(n));
    return got;
}

TEST(Cli, DirectOutputToAFile)
{
    std::mt19937_64 rng(19);
    const std::string many_reads = as_string(random_text(rng, 1 << 20));
    // Lines of five bytes, cut by the reads anywhere, but 150 whole direct units in all.
    std::string whole_units;
    for (int i = 0; i < 4096 * 30; ++i)
        whole_units += "0123456789a\n";
    const struct {
        const char* name;
        std::string before;  // already in the file, which dehex then writes after
        std::string input;
        bool still_direct;  // O_DIRECT is cleared for a last partial unit, and where refused
    } cases[] = {
        {"nothing", "", "", true},
        {"one byte", "", "41\n", false},
        {"one unit", "", std::string(8192, 'a') + "\n", true},
        {"a unit and a byte", "", std::string(8194, 'a') + "\n", false},
        {"many reads", "", many_reads, false},
        {"many reads, whole units", "", whole_units, true},
        {"after 100 bytes", std::string(100, 'x'), whole_units, true},
        {"after a unit", std::string(4096, 'x'), "cafe\n", false},
    };
    for (const auto& c : cases) {
        const int direct = direct_file(c.before, O_RDWR);
        SKIP_IF_REFUSED(direct);
        const bool expect_direct = c.still_direct && !refuses_direct_at(static_cast<off_t>(c.before.size()), true);
        lseek(direct, 0, SEEK_END);
        const outcome got = run_dehex({.out = direct}, c.input);
        const int flags = fcntl(direct, F_GETFL);
        const bool still_direct = (flags & O_DIRECT) != 0;
        fcntl(direct, F_SETFL, flags & ~O_DIRECT);  // to read it back into any memory
        const std::string written = contents_of(direct);
        close(direct);
        EXPECT_EQ(got.status, 0) << c.name;
        EXPECT_EQ(got.err, "") << c.name;
        EXPECT_TRUE(written == c.before + as_string(decode_by_lines(bytes(c.input)))) << c.name << ": file differs";
        EXPECT_EQ(still_direct, expect_direct) << c.name;
    }
}

// Runs dehex between two pipes of `size` bytes, and returns their sizes afterwards: input's,
// output's. Empty if the pipes could not be made that size.
std::vector<int> pipe_sizes_after_dehex(int size, bool no_pipe_resizing = false)
{
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe");
    const bool made = fcntl(in[0], F_SETPIPE_SZ, size) == size && fcntl(out[0], F_SETPIPE_SZ, size) == size;
    if (made && write(in[1], "cafe\n", 5) != 5)
        throw std::runtime_error("write to pipe");
    close(in[1]);
    if (made) {
        const outcome got = run_dehex({.in = in[0], .out = out[1], .no_pipe_resizing = no_pipe_resizing});
        close(out[1]);
        EXPECT_EQ(got.status, 0);
        EXPECT_EQ(got.signal, 0);
        EXPECT_EQ(read_within(out[0], 3), "\xCA\xFE");
    } else {
        close(out[1]);
    }
    std::vector<int> sizes;
    if (made)
        sizes = {fcntl(in[0], F_GETPIPE_SZ), fcntl(out[0], F_GETPIPE_SZ)};
    close(in[0]);
    close(out[0]);
    return sizes;
}

TEST(Cli, PipesAreWidened)
{
    for (int size : {4096, 65536})
        EXPECT_EQ(pipe_sizes_after_dehex(size), std::vector({1 << 20, 1 << 20})) << "pipes of " << size;
}

// A pipe as wide as dehex makes pipes (1 MiB), or wider, is left as it is. Without privilege no
// pipe grows past the system's pipe-max-size, 1 MiB by default, so a narrowing can't be seen:
// there dehex runs between pipes of 1 MiB under a filter that ends it if it resizes a pipe at all.
TEST(Cli, PipesAreNeverNarrowed)
{
#ifdef DEHEX_EMULATOR
    const bool filtered = false;  // the emulator takes no seccomp filter for its guest
#else
    const bool filtered = true;
    EXPECT_EQ(pipe_sizes_after_dehex(1 << 20, true), std::vector({1 << 20, 1 << 20}));
#endif
    const std::vector<int> wider = pipe_sizes_after_dehex(2 << 20);
    if (!wider.empty()) {
        EXPECT_EQ(wider, std::vector({2 << 20, 2 << 20}));
    } else if (!filtered) {
        GTEST_SKIP() << "pipes wider than the system's pipe-max-size need privilege (CAP_SYS_RESOURCE)";
    }
}

}  // namespace
