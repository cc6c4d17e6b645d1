// Files read whole into memory, safely (regular files only, never blocking, bounded), and
// files replaced whole in one step.
//
// The game's images, font and sounds pass through here before the media libraries see them, so
// that a FIFO, a device or a directory in data/ fails at once like a missing file instead of
// hanging the start, and a file of absurd size is refused before anything is allocated for it.
// No SDL: the callers hand the bytes to the libraries as memory streams.
#pragma once

#include <cstddef>

// The largest data file read: 8 MiB. The game's own files are under 300 KiB (the font); the
// largest anything in a 640x480 game plausibly needs is an uncompressed full-window image of
// 1.2 MB or a few seconds of CD-quality sound, so 8 MiB refuses nothing real while keeping the
// memory and time a hostile file can cost at start-up small.
inline constexpr size_t kDataFileMaxBytes = 8u << 20;

// A file's bytes, owned by the record. data is never null after a successful read, even for an
// empty file.
struct FileBytes {
    unsigned char* data;
    size_t size;
    unsigned mode; // the file's permission bits
};

// Reads the file at path whole into *out, if it holds at most maxBytes: 0; or -1 with *out
// empty, errno telling why (ENOENT: no such file; EINVAL: not a regular file; EFBIG: larger
// than maxBytes; else the failed call's error), and a one-line reason that names the file in
// why (at most whySize bytes with the terminator): "Couldn't open <path>" when there is no such
// file (the media library's own words), else the reason it is refused. The file is opened
// without blocking and its size checked before anything is allocated; a file that grows while
// it is read is read up to the size it had.
int klmr_ReadFileBounded(const char* path, size_t maxBytes, FileBytes* out, char* why,
                         size_t whySize);

// klmr_ReadFileBounded with the bound of the game's data files.
int klmr_ReadDataFile(const char* path, FileBytes* out, char* why, size_t whySize);

// Frees the bytes of a read; *bytes becomes empty. Does nothing for an empty record.
void klmr_FreeFileBytes(FileBytes* bytes);

// The file a rewrite of path replaces: the file a symbolic link names, so that the link keeps
// pointing at it, else path itself; written into target (targetSize bytes). 0, or -1 when it
// does not fit.
int klmr_RewriteTarget(const char* path, char* target, size_t targetSize);

// Replaces the file dest by one holding bytes, in one step: written in full to a temporary file
// beside it, made durable, then renamed over dest, and the rename made durable. The new file
// gets mode, or when mode is negative dest's own permission bits if dest is a regular file,
// else 0644 less the umask. temp names the temporary file, for callers that hold a lock (a
// stale file of that name, from a save killed part way, is removed first); null makes a unique
// one. 0; or -1 with errno, the temporary file removed and dest as it was.
int klmr_ReplaceFile(const char* dest, const void* bytes, size_t size, int mode, const char* temp);
