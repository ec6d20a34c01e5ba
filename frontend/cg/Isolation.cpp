// fork + pipe isolation; see Isolation.h.
#include "frontend/cg/Isolation.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>

#include <poll.h>
#include <sys/resource.h>
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

bool writeAll(int fd, const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

[[noreturn]] void runChild(int fd, const std::function<std::string()>& work)
{
    limitChildMemory();
    std::string bytes;
    try {
        bytes = work();
    } catch (const std::bad_alloc&) {
        _exit(3);
    } catch (...) {
        _exit(4);
    }
    _exit(writeAll(fd, bytes) ? 0 : 5);
}

std::string describeEnd(int status, bool timedOut)
{
    if (timedOut)
        return "the compiler took longer than " + std::to_string(Limits::kMaxCompileSeconds) + " s";
    if (WIFSIGNALED(status))
        return "the compiler crashed (signal " + std::to_string(WTERMSIG(status)) + ", " +
               strsignal(WTERMSIG(status)) + ")";
    if (WIFEXITED(status) && WEXITSTATUS(status) == 3)
        return "the compiler ran out of its memory budget";
    return "the compiler failed (status " + std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + ")";
}

} // namespace

IsolatedRun runIsolated(const std::function<std::string()>& work)
{
    IsolatedRun run;
    int fds[2];
    if (pipe(fds) != 0) {
        run.failure = std::string("cannot create a pipe: ") + std::strerror(errno);
        return run;
    }
    std::fflush(nullptr);  // the child must not write the parent's buffered output again
    pid_t child = fork();
    if (child < 0) {
        close(fds[0]);
        close(fds[1]);
        run.failure = std::string("cannot start the compiler process: ") + std::strerror(errno);
        return run;
    }
    if (child == 0) {
        close(fds[0]);
        runChild(fds[1], work);
    }
    close(fds[1]);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(Limits::kMaxCompileSeconds);
    bool timedOut = false;
    char buffer[65536];
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            timedOut = true;
            kill(child, SIGKILL);
            break;
        }
        pollfd p{fds[0], POLLIN, 0};
        int ready = poll(&p, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            continue;
        ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        run.bytes.append(buffer, static_cast<size_t>(n));
    }
    close(fds[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    run.ok = !timedOut && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (!run.ok) {
        ++faults;
        run.failure = describeEnd(status, timedOut);
        run.bytes.clear();
    }
    return run;
}

int isolatedFaultCount()
{
    return faults;
}

} // namespace Frontend::Cg
