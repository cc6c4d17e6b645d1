// Data files read whole into memory, safely: regular files only, never blocking, bounded.
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
};

// Reads the file at path whole into *out: 0; or -1 with *out empty and a one-line reason that
// names the file in why (at most whySize bytes with the terminator): "Couldn't open <path>"
// when there is no such file (the media library's own words), else the reason it is refused
// (not a regular file, larger than kDataFileMaxBytes, the system's error).
int klmr_ReadDataFile(const char* path, FileBytes* out, char* why, size_t whySize);

// Frees the bytes of a read; *bytes becomes empty. Does nothing for an empty record.
void klmr_FreeFileBytes(FileBytes* bytes);
