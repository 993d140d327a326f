// The implode compressor.
#pragma once

#include "pack/implode_format.h"

namespace zrt {

// Compresses everything the read step delivers (asked for up to 4096 bytes at a time) and
// hands the stream to the write step in pieces of 2048 bytes and a last, shorter one.
// literalMode is kBinaryLiterals or kAsciiLiterals, dictionarySize 1024, 2048 or 4096; work is
// the caller's block of kCoderWorkSize bytes. Returns a CoderError: 0, or 1 or 2 for a bad
// dictionary size or literal mode (nothing is read or written then).
//
// The output is fixed by the input alone: the same bytes always give the same stream, however
// the read step divides them, and it is byte for byte the reference DCL compressor's stream
// (tests/pack/data/implode holds 174 of them).
int Implode(ReadStep read, WriteStep write, void* work, void* param, uint32_t literalMode,
            uint32_t dictionarySize);

}  // namespace zrt
