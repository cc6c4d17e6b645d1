// A full disk on demand, preloaded into a program: with KELMORA_FAILWRITE_AFTER=<bytes> its
// writes to regular files may write that many bytes in all; the write that crosses the budget
// is cut short, as on a disk that fills up mid-write, and every later one fails with ENOSPC.
// The standard streams are never counted.
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

extern "C" ssize_t write(int fd, const void* buf, size_t count) {
    static auto real =
        reinterpret_cast<ssize_t (*)(int, const void*, size_t)>(dlsym(RTLD_NEXT, "write"));
    static const char* after = getenv("KELMORA_FAILWRITE_AFTER");
    static size_t budget = after != nullptr ? strtoull(after, nullptr, 10) : 0;
    struct stat st;
    if (after == nullptr || fd <= 2 || count == 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return real(fd, buf, count);
    if (budget == 0) {
        errno = ENOSPC;
        return -1;
    }
    const size_t grant = count < budget ? count : budget;
    budget -= grant;
    return real(fd, buf, grant);
}
