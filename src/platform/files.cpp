// Data files read whole: open without blocking, check the kind and size, read to the end.
#include "files.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Writes the reason for a refusal into why (if there is room for one) and returns -1.
__attribute__((format(printf, 3, 4))) int Refuse(char* why, size_t whySize, const char* format,
                                                 ...) {
    if (why != nullptr && whySize > 0) {
        va_list args;
        va_start(args, format);
        vsnprintf(why, whySize, format, args);
        va_end(args);
    }
    return -1;
}

// Checks the kind and size of the open file fd and reads it; the caller closes fd.
int ReadOpen(int fd, const char* path, FileBytes* out, char* why, size_t whySize) {
    struct stat st;
    if (fstat(fd, &st) != 0)
        return Refuse(why, whySize, "Couldn't open %s: %s", path, strerror(errno));
    if (!S_ISREG(st.st_mode))
        return Refuse(why, whySize, "%s is not a regular file%s", path,
                      S_ISDIR(st.st_mode) ? " but a folder" : "");
    if (static_cast<unsigned long long>(st.st_size) > kDataFileMaxBytes)
        return Refuse(why, whySize, "%s is larger than %zu bytes", path, kDataFileMaxBytes);
    // The size fstat gave bounds the read: a file that grows meanwhile is read up to it, one
    // that shrinks is what is left of it.
    const size_t size = static_cast<size_t>(st.st_size);
    auto* data = static_cast<unsigned char*>(malloc(size + 1));
    if (data == nullptr)
        return Refuse(why, whySize, "Couldn't read %s: %s", path, strerror(ENOMEM));
    size_t got = 0;
    while (got < size) {
        const ssize_t n = read(fd, data + got, size - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int err = errno;
            free(data);
            return Refuse(why, whySize, "Couldn't read %s: %s", path, strerror(err));
        }
        if (n == 0) break;
        got += static_cast<size_t>(n);
    }
    *out = {data, got};
    return 0;
}

} // namespace

int klmr_ReadDataFile(const char* path, FileBytes* out, char* why, size_t whySize) {
    *out = {nullptr, 0};
    if (path == nullptr) return Refuse(why, whySize, "Couldn't open a file without a name");
    // O_NONBLOCK: opening a FIFO with no writer would otherwise wait for one, for ever, and no
    // signal but SIGKILL ends that wait.
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT) return Refuse(why, whySize, "Couldn't open %s", path);
        return Refuse(why, whySize, "Couldn't open %s: %s", path, strerror(errno));
    }
    const int result = ReadOpen(fd, path, out, why, whySize);
    close(fd);
    return result;
}

void klmr_FreeFileBytes(FileBytes* bytes) {
    if (bytes == nullptr) return;
    free(bytes->data);
    *bytes = {nullptr, 0};
}
