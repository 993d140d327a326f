// Record input and output on the users file and the lock files: positioning, reads with
// retries for files on shared directories, writes, and the random wait between attempts.
// Every routine stops at its first failure and returns its code (lock_codes.h).
#pragma once

#include <cstdint>

#include "frame/codes.h"
#include "platform/platform.h"

namespace zrt {

// Positions the file at index * size. A negative position (the free owner -1, for example)
// fails with 10105, as does a file that is not open.
[[nodiscard]] Code SeekRecord(platform::File& file, int32_t index, uint32_t size);

// Reads size bytes at the current position. A short read is retried up to retries times after a
// random wait, but only while the file is long enough to deliver what is missing; 10102 else.
[[nodiscard]] Code NextRecord(platform::File& file, uint8_t* buffer, uint32_t size, int32_t retries);

// Reads a record whose last four bytes may be missing: they read as all ones then. A record that
// lacks more than that gives 10102.
[[nodiscard]] Code NextRecordLocked(platform::File& file, uint8_t* buffer, uint32_t size);

[[nodiscard]] Code ReadRecord(platform::File& file, int32_t index, uint32_t size, uint8_t* buffer);
[[nodiscard]] Code ReadRecordLocked(platform::File& file, int32_t index, uint32_t size, uint8_t* buffer);
// Writing at the record count appends.
[[nodiscard]] Code WriteRecord(platform::File& file, int32_t index, uint32_t size, const uint8_t* buffer);

// Waits (r mod (high - low)) milliseconds, r from the C runtime's generator. Callers pass 200 and
// 3000: a wait of 0 to 2799 ms between attempts on a busy file.
void RandomSleep(uint32_t low, uint32_t high);

// Waiting for another process to finish a step that leaves the files in passing: a log-in
// between taking a slot and writing its record, a clean-up between freeing a slot and clearing
// its locks. wait() sleeps a random 0 to 49 ms and says true, until kPatienceRounds waits have
// been spent (a few seconds in all); then it says false at once.
constexpr uint32_t kPatienceRounds = 100;
class Patience {
public:
    explicit Patience(uint32_t rounds = kPatienceRounds) : rounds_(rounds) {}
    bool wait();

private:
    uint32_t rounds_, waited_ = 0;
};

// For tests only, never exported: caps the span of every random wait (0 restores the full span),
// so that runs with many retries stay short.
void SetRandomSleepSpan(uint32_t span);

}  // namespace zrt
