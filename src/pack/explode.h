// The implode decoder.
#pragma once

#include "pack/implode_format.h"

namespace zrt {

// Decodes one implode stream that the read step delivers (asked for up to 2048 bytes at a
// time) and hands the output to the write step in pieces of 4096 bytes and a last, shorter
// one. work is the caller's block of kCoderWorkSize bytes. Returns a CoderError: 0 at the end
// mark; 3 for fewer than 5 bytes in the first piece; 1 or 2 for a bad header (dictionary
// tested first); 4 when the input ends before the end mark, after the output decoded so far
// has been handed over. Whatever the input, nothing is written outside the working block.
int Explode(ReadStep read, WriteStep write, void* work, void* param);

}  // namespace zrt
