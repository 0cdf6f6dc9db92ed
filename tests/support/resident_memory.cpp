#include "support/resident_memory.hpp"

#ifdef _WIN32

namespace felmo::testing {

// The measurement forks a child and reads the kernel's page counts: there is no such thing on
// Windows, and the tests that need it skip.
bool residentMemoryIsMeasurable() {
    return false;
}

std::optional<std::int64_t> peakResidentGrowth(const std::function<void()>&) {
    return std::nullopt;
}

}  // namespace felmo::testing

#else

#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

namespace felmo::testing {
namespace {

std::int64_t residentBytesNow() {
    long pages = 0, resident = 0;
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm == nullptr)
        return -1;
    const int read = std::fscanf(statm, "%ld %ld", &pages, &resident);
    std::fclose(statm);
    return read == 2 ? std::int64_t{resident} * ::sysconf(_SC_PAGESIZE) : -1;
}

// Sets the peak that getrusage reports to the resident size now (Linux 4.0 and later).
void resetResidentHighWaterMark() {
    if (std::FILE* clear = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", clear);
        std::fclose(clear);
    }
}

}  // namespace

bool residentMemoryIsMeasurable() {
#if defined(__SANITIZE_ADDRESS__)
    return false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(memory_sanitizer)
    return false;
#else
    return true;
#endif
#else
    return true;
#endif
}

std::optional<std::int64_t> peakResidentGrowth(const std::function<void()>& work) {
    int channel[2];
    if (::pipe(channel) != 0)
        return std::nullopt;
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(channel[0]);
        ::close(channel[1]);
        return std::nullopt;
    }
    if (child == 0) {
        ::close(channel[0]);
        std::int64_t growth = -1;
        // Free heap pages the test process left resident go back first, so that the work's
        // allocations show however the heap was used before; then the high-water mark, which
        // a forked child inherits with the test process's pages, starts again from here.
        ::malloc_trim(0);
        resetResidentHighWaterMark();
        const std::int64_t base = residentBytesNow();
        try {
            work();
            rusage usage{};
            if (base >= 0 && ::getrusage(RUSAGE_SELF, &usage) == 0)
                growth = std::int64_t{usage.ru_maxrss} * 1024 - base;
        } catch (...) {
            growth = -1;
        }
        const bool sent = ::write(channel[1], &growth, sizeof growth) == sizeof growth;
        ::_exit(sent ? 0 : 1);
    }
    ::close(channel[1]);
    std::int64_t growth = -1;
    const bool received = ::read(channel[0], &growth, sizeof growth) == sizeof growth;
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!received || growth < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return growth;
}

}  // namespace felmo::testing

#endif
