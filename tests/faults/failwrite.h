// A full disk on demand: writes to regular files succeed for a budget of bytes, then fail.
//
// failwrite.cpp defines write, pwrite, writev and the stdio openers, so whatever a program
// uses to write a file meets the same budget: the write that crosses it is cut short (as a
// disk that fills up mid-write does) and every later one fails with ENOSPC. Writes to
// terminals, pipes, sockets and the standard streams are never counted. Linked into a test binary
// it is armed with Arm(); preloaded into a program (LD_PRELOAD=libkelmora_failwrite.so) it is armed
// by the variable KELMORA_FAILWRITE_AFTER=<bytes> at start-up.
#pragma once

#include <cstddef>

namespace failwrite {

// From now on regular-file writes may write `budget` more bytes in all.
void Arm(size_t budget);

// Writes are passed through untouched again.
void Disarm();

// Bytes refused since the last Arm (the amount the program tried to write past the budget).
size_t Refused();

} // namespace failwrite
