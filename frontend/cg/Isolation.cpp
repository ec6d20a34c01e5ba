// A kept compiler child process; see Isolation.h.
#include "frontend/cg/Isolation.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include "frontend/Limits.h"

#if defined(__SANITIZE_ADDRESS__)
#define VANTREL_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VANTREL_ASAN 1
#endif
#endif

namespace Frontend::Cg {

namespace {

using Clock = std::chrono::steady_clock;

struct Child {
    pid_t pid = -1;
    int socket = -1;
    IsolatedHandler handler = nullptr;
};

Child child;
int faults = 0;

// The child's address space: what it inherits plus the compile budget. The
// address sanitizer reserves terabytes of shadow, so under it only time is bounded.
void limitChildMemory()
{
#ifndef VANTREL_ASAN
    long pages = 0;
    if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld", &pages) != 1)
            pages = 0;
        std::fclose(statm);
    }
    if (pages > 0) {
        rlim_t bytes = static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) +
                       static_cast<rlim_t>(Limits::kMaxCompileMemoryBytes);
        rlimit limit{bytes, bytes};
        setrlimit(RLIMIT_AS, &limit);
    }
#endif
}

// MSG_NOSIGNAL: a child that died must not raise SIGPIPE in the caller.
bool sendAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        ssize_t n = send(fd, data, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool sendFrame(int fd, const std::string& bytes)
{
    uint64_t size = bytes.size();
    return sendAll(fd, reinterpret_cast<const char*>(&size), sizeof size) && sendAll(fd, bytes.data(), bytes.size());
}

// Reads exactly size bytes before the deadline (none: wait as long as it takes).
bool receiveAll(int fd, char* data, size_t size, const Clock::time_point* deadline, bool& timedOut)
{
    while (size > 0) {
        if (deadline) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(*deadline - Clock::now()).count();
            pollfd p{fd, POLLIN, 0};
            int ready = left > 0 ? poll(&p, 1, static_cast<int>(left)) : 0;
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready == 0) {
                timedOut = true;
                return false;
            }
        }
        ssize_t n = recv(fd, data, size, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool receiveFrame(int fd, std::string& bytes, const Clock::time_point* deadline, bool& timedOut)
{
    uint64_t size = 0;
    if (!receiveAll(fd, reinterpret_cast<char*>(&size), sizeof size, deadline, timedOut) || size > (1ull << 32))
        return false;
    bytes.resize(size);
    return receiveAll(fd, bytes.data(), bytes.size(), deadline, timedOut);
}

[[noreturn]] void serve(int fd, IsolatedHandler handler)
{
    limitChildMemory();
    std::string request;
    bool unused = false;
    while (receiveFrame(fd, request, nullptr, unused)) {
        std::string answer;
        try {
            answer = handler(request);
        } catch (const std::bad_alloc&) {
            _exit(3);
        } catch (...) {
            _exit(4);
        }
        if (!sendFrame(fd, answer))
            _exit(5);
    }
    _exit(0); // the caller closed its end
}

bool start(IsolatedHandler handler, std::string& failure)
{
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) {
        failure = std::string("cannot create a socket pair: ") + std::strerror(errno);
        return false;
    }
    std::fflush(nullptr); // the child must not write the caller's buffered output again
    pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        failure = std::string("cannot start the compiler process: ") + std::strerror(errno);
        return false;
    }
    if (pid == 0) {
        close(fds[0]);
        serve(fds[1], handler);
    }
    close(fds[1]);
    child = {pid, fds[0], handler};
    return true;
}

std::string stop(bool timedOut)
{
    close(child.socket);
    if (timedOut)
        kill(child.pid, SIGKILL);
    int status = 0;
    while (waitpid(child.pid, &status, 0) < 0 && errno == EINTR) {
    }
    child = {};
    if (timedOut)
        return "the compiler took longer than " + std::to_string(Limits::kMaxCompileSeconds) + " s";
    if (WIFSIGNALED(status))
        return "the compiler crashed (signal " + std::to_string(WTERMSIG(status)) + ", " + strsignal(WTERMSIG(status)) +
               ")";
    if (WIFEXITED(status) && WEXITSTATUS(status) == 3)
        return "the compiler ran out of its memory budget";
    return "the compiler failed (status " + std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + ")";
}

} // namespace

IsolatedRun runIsolated(IsolatedHandler handler, const std::string& request)
{
    IsolatedRun run;
    if (child.pid > 0 && child.handler != handler)
        stop(false);
    if (child.pid <= 0 && !start(handler, run.failure))
        return run;
    Clock::time_point deadline = Clock::now() + std::chrono::seconds(Limits::kMaxCompileSeconds);
    bool timedOut = false;
    if (sendFrame(child.socket, request) && receiveFrame(child.socket, run.bytes, &deadline, timedOut)) {
        run.ok = true;
        return run;
    }
    // The child's end closed (it died) or the deadline passed.
    kill(child.pid, SIGKILL);
    ++faults;
    run.bytes.clear();
    run.failure = stop(timedOut);
    return run;
}

int isolatedFaultCount()
{
    return faults;
}

} // namespace Frontend::Cg
