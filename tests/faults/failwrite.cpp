// The write-failure shim: regular-file writes past a byte budget fail with ENOSPC.
#include "failwrite.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

std::atomic<bool> armed{false};
std::atomic<size_t> budget{0};
std::atomic<size_t> refused{0};

template <typename Fn>
Fn Real(const char* name) {
    void* sym = dlsym(RTLD_NEXT, name);
    if (sym == nullptr) abort();
    return reinterpret_cast<Fn>(sym);
}

bool Counted(int fd) {
    struct stat st;
    return fd > 2 && armed.load() && fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

// How many of `want` bytes may still be written; takes them from the budget. 0 means the
// disk is full: the caller fails with ENOSPC.
size_t Take(size_t want) {
    size_t left = budget.load();
    size_t grant;
    do {
        grant = want < left ? want : left;
    } while (!budget.compare_exchange_weak(left, left - grant));
    refused += want - grant;
    return grant;
}

[[gnu::constructor]] void ArmFromEnvironment() {
    const char* after = getenv("KELMORA_FAILWRITE_AFTER");
    if (after != nullptr && *after != '\0') failwrite::Arm(strtoull(after, nullptr, 10));
}

// stdio streams opened for writing are routed through write() below, whatever the C library
// does inside, so that fprintf and fwrite meet the budget too.
ssize_t CookieWrite(void* cookie, const char* buf, size_t size) {
    return write(static_cast<int>(reinterpret_cast<intptr_t>(cookie)), buf, size);
}
ssize_t CookieRead(void* cookie, char* buf, size_t size) {
    return read(static_cast<int>(reinterpret_cast<intptr_t>(cookie)), buf, size);
}
int CookieSeek(void* cookie, off64_t* offset, int whence) {
    const off_t at = lseek(static_cast<int>(reinterpret_cast<intptr_t>(cookie)), *offset, whence);
    if (at < 0) return -1;
    *offset = at;
    return 0;
}
int CookieClose(void* cookie) {
    return close(static_cast<int>(reinterpret_cast<intptr_t>(cookie)));
}

bool Writes(const char* mode) {
    return strpbrk(mode, "wa+") != nullptr;
}

FILE* Wrap(FILE* f, const char* mode) {
    if (f == nullptr || !armed.load() || !Writes(mode)) return f;
    const int fd = dup(fileno(f));
    if (fd < 0) return f;
    fclose(f);
    cookie_io_functions_t io{CookieRead, CookieWrite, CookieSeek, CookieClose};
    FILE* wrapped = fopencookie(reinterpret_cast<void*>(static_cast<intptr_t>(fd)), mode, io);
    if (wrapped == nullptr) close(fd);
    return wrapped;
}

} // namespace

namespace failwrite {

void Arm(size_t bytes) {
    budget = bytes;
    refused = 0;
    armed = true;
}

void Disarm() {
    armed = false;
}

size_t Refused() {
    return refused.load();
}

} // namespace failwrite

extern "C" {

ssize_t write(int fd, const void* buf, size_t count) {
    static auto real = Real<ssize_t (*)(int, const void*, size_t)>("write");
    if (count == 0 || !Counted(fd)) return real(fd, buf, count);
    const size_t grant = Take(count);
    if (grant == 0) {
        errno = ENOSPC;
        return -1;
    }
    return real(fd, buf, grant);
}

ssize_t pwrite(int fd, const void* buf, size_t count, off_t offset) {
    static auto real = Real<ssize_t (*)(int, const void*, size_t, off_t)>("pwrite");
    if (count == 0 || !Counted(fd)) return real(fd, buf, count, offset);
    const size_t grant = Take(count);
    if (grant == 0) {
        errno = ENOSPC;
        return -1;
    }
    return real(fd, buf, grant, offset);
}

ssize_t writev(int fd, const struct iovec* iov, int iovcnt) {
    static auto real = Real<ssize_t (*)(int, const struct iovec*, int)>("writev");
    if (!Counted(fd) || iovcnt <= 0) return real(fd, iov, iovcnt);
    // Only the first buffer is attempted: a short write is a valid answer to writev.
    return write(fd, iov[0].iov_base, iov[0].iov_len);
}

FILE* fopen(const char* path, const char* mode) {
    static auto real = Real<FILE* (*)(const char*, const char*)>("fopen");
    return Wrap(real(path, mode), mode);
}

FILE* fopen64(const char* path, const char* mode) {
    static auto real = Real<FILE* (*)(const char*, const char*)>("fopen64");
    return Wrap(real(path, mode), mode);
}

FILE* fdopen(int fd, const char* mode) {
    static auto real = Real<FILE* (*)(int, const char*)>("fdopen");
    return Wrap(real(fd, mode), mode);
}

} // extern "C"
