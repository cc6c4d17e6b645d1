// Files read whole (open without blocking, check the kind and size, read to the end) and files
// replaced whole (a temporary file beside, made durable, renamed over).
#include "files.h"

#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Writes the reason for a refusal into why (if there is room for one) and returns -1 with errno
// set to err.
__attribute__((format(printf, 4, 5))) int Refuse(int err, char* why, size_t whySize,
                                                 const char* format, ...) {
    if (why != nullptr && whySize > 0) {
        va_list args;
        va_start(args, format);
        vsnprintf(why, whySize, format, args);
        va_end(args);
    }
    errno = err;
    return -1;
}

// Checks the kind and size of the open file fd and reads it; the caller closes fd.
int ReadOpen(int fd, const char* path, size_t maxBytes, FileBytes* out, char* why, size_t whySize) {
    struct stat st;
    if (fstat(fd, &st) != 0)
        return Refuse(errno, why, whySize, "Couldn't open %s: %s", path, strerror(errno));
    if (!S_ISREG(st.st_mode))
        return Refuse(EINVAL, why, whySize, "%s is not a regular file%s", path,
                      S_ISDIR(st.st_mode) ? " but a folder" : "");
    if (static_cast<unsigned long long>(st.st_size) > maxBytes)
        return Refuse(EFBIG, why, whySize, "%s is larger than %zu bytes", path, maxBytes);
    // The size fstat gave bounds the read: a file that grows meanwhile is read up to it, one
    // that shrinks is what is left of it.
    const size_t size = static_cast<size_t>(st.st_size);
    auto* data = static_cast<unsigned char*>(malloc(size + 1));
    if (data == nullptr)
        return Refuse(ENOMEM, why, whySize, "Couldn't read %s: %s", path, strerror(ENOMEM));
    size_t got = 0;
    while (got < size) {
        const ssize_t n = read(fd, data + got, size - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int err = errno;
            free(data);
            return Refuse(err, why, whySize, "Couldn't read %s: %s", path, strerror(err));
        }
        if (n == 0) break;
        got += static_cast<size_t>(n);
    }
    *out = {data, got, static_cast<unsigned>(st.st_mode & 07777)};
    return 0;
}

// Writes all of buf to fd, going on after short writes and interruptions.
bool WriteAll(int fd, const char* buf, size_t len) {
    while (len > 0) {
        const ssize_t n = write(fd, buf, len);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        buf += n;
        len -= static_cast<size_t>(n);
    }
    return true;
}

// Makes the directory entry of a rename durable; a failure here loses nothing already
// written, so it is not reported.
void SyncDirectoryOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "."
                            : slash == 0               ? "/"
                                                       : path.substr(0, slash);
    const int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

} // namespace

int klmr_ReadFileBounded(const char* path, size_t maxBytes, FileBytes* out, char* why,
                         size_t whySize) {
    *out = {nullptr, 0, 0};
    if (path == nullptr) return Refuse(EINVAL, why, whySize, "Couldn't open a file without a name");
    // O_NONBLOCK: opening a FIFO with no writer would otherwise wait for one, for ever, and no
    // signal but SIGKILL ends that wait.
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT) return Refuse(ENOENT, why, whySize, "Couldn't open %s", path);
        return Refuse(errno, why, whySize, "Couldn't open %s: %s", path, strerror(errno));
    }
    const int result = ReadOpen(fd, path, maxBytes, out, why, whySize);
    const int err = errno;
    close(fd);
    errno = err;
    return result;
}

int klmr_ReadDataFile(const char* path, FileBytes* out, char* why, size_t whySize) {
    return klmr_ReadFileBounded(path, kDataFileMaxBytes, out, why, whySize);
}

void klmr_FreeFileBytes(FileBytes* bytes) {
    if (bytes == nullptr) return;
    free(bytes->data);
    *bytes = {nullptr, 0, 0};
}

int klmr_RewriteTarget(const char* path, char* target, size_t targetSize) {
    struct stat link;
    char* resolved = nullptr;
    if (lstat(path, &link) == 0 && S_ISLNK(link.st_mode)) resolved = realpath(path, nullptr);
    const int n = snprintf(target, targetSize, "%s", resolved != nullptr ? resolved : path);
    free(resolved);
    return n >= 0 && static_cast<size_t>(n) < targetSize ? 0 : (errno = ENAMETOOLONG, -1);
}

int klmr_ReplaceFile(const char* dest, const void* bytes, size_t size, int mode, const char* temp) {
    struct stat old;
    if (mode < 0 && stat(dest, &old) == 0 && S_ISREG(old.st_mode)) {
        mode = static_cast<int>(old.st_mode & 07777);
    } else if (mode < 0) {
        const mode_t mask = umask(022); // read without leaving it changed
        umask(mask);
        mode = static_cast<int>(0644 & ~mask);
    }
    std::string name = temp != nullptr ? temp : std::string(dest) + ".XXXXXX";
    int fd;
    if (temp != nullptr) {
        unlink(temp);
        fd = open(temp, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0600);
    } else {
        fd = mkostemp(name.data(), O_CLOEXEC);
    }
    if (fd < 0) return -1;
    bool ok = WriteAll(fd, static_cast<const char*>(bytes), size) &&
              fchmod(fd, static_cast<mode_t>(mode)) == 0 && fsync(fd) == 0;
    int saved = errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        saved = errno;
    }
    if (ok && rename(name.c_str(), dest) != 0) {
        ok = false;
        saved = errno;
    }
    if (!ok) {
        unlink(name.c_str());
        errno = saved;
        return -1;
    }
    SyncDirectoryOf(dest);
    return 0;
}
