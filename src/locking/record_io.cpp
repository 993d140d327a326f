#include "locking/record_io.h"

#include <cstdlib>

#include "frame/log.h"
#include "locking/formats.h"
#include "locking/lock_codes.h"

namespace zrt {

namespace {

uint32_t sleepSpan = 0;  // 0: the span the caller asks for

}  // namespace

Code SeekRecord(platform::File& file, int32_t index, uint32_t size) {
    // Computed in 64 bits: a position never wraps round onto some other record.
    int64_t position = int64_t(index) * int64_t(size);
    if (!file.isOpen() || position < 0) return kCannotSeek;
    if (file.seek(position, platform::Whence::Begin) != platform::kOk) return kCannotSeek;
    return kOk;
}

Code NextRecord(platform::File& file, uint8_t* buffer, uint32_t size, int32_t retries) {
    if (retries < 0) return kShortRead;
    uint32_t done = 0;
    int32_t counter = 0;
    uint64_t noted = 0;
    for (;;) {
        uint32_t asked = size - done, got = 0;
        platform::SysError e = file.read(buffer + done, asked, got);
        if (e == platform::kOk && got == asked) return kOk;
        if (LogEnabled(0, kLogLocking, 4))
            LogPrintf("NextRecord: ReadFile res: %u asked %u retrieved %u", e, asked, got);
        if (retries == 0 || e != platform::kOk) return kShortRead;
        // A file that ends before the record does never delivers it: no point in waiting.
        if (counter == 0 && file.seek(0, platform::Whence::Current, &noted) != platform::kOk)
            return kShortRead;
        uint64_t fileSize = 0;
        if (file.size(fileSize) != platform::kOk || fileSize < noted || fileSize - noted < asked)
            return kShortRead;
        done += got;
        RandomSleep(200, 3000);
        if (LogEnabled(0, kLogLocking, 4)) LogValue("NextRecord: retrying", counter);
        if (++counter > retries) return kShortRead;
    }
}

Code NextRecordLocked(platform::File& file, uint8_t* buffer, uint32_t size) {
    uint32_t asked = size - 4, got = 0;
    platform::SysError e = file.read(buffer, asked, got);
    if (got < asked) {
        if (LogEnabled(0, kLogLocking, 3))
            LogPrintf("NextRecordLocked: ReadFile res %u asked %u retrieved %u", e, asked, got);
        return kShortRead;
    }
    // The last field may be missing from the end of the file: it then reads as all ones.
    StoreLittle32(buffer + asked, kFree);
    uint32_t tail = 0;
    (void)file.read(buffer + asked, 4, tail);
    return kOk;
}

Code ReadRecord(platform::File& file, int32_t index, uint32_t size, uint8_t* buffer) {
    if (Code c = SeekRecord(file, index, size)) return c;
    return NextRecord(file, buffer, size, 2);
}

Code ReadRecordLocked(platform::File& file, int32_t index, uint32_t size, uint8_t* buffer) {
    if (Code c = SeekRecord(file, index, size)) return c;
    return NextRecordLocked(file, buffer, size);
}

Code WriteRecord(platform::File& file, int32_t index, uint32_t size, const uint8_t* buffer) {
    if (Code c = SeekRecord(file, index, size)) return c;
    uint32_t put = 0;
    platform::SysError e = file.write(buffer, size, put);
    if (put < size) {
        if (LogEnabled(0, kLogLocking, 3))
            LogPrintf("WriteRecord: WriteFile res %u asked %u written %u", e, size, put);
        return kShortWrite;
    }
    return kOk;
}

void RandomSleep(uint32_t low, uint32_t high) {
    uint32_t span = high > low ? high - low : 0;
    if (sleepSpan != 0 && sleepSpan < span) span = sleepSpan;
    if (span == 0) return;
    platform::sleepMs(static_cast<uint32_t>(std::rand()) % span);
}

bool Patience::wait() {
    if (waited_ >= rounds_) return false;
    ++waited_;
    RandomSleep(0, 50);
    return true;
}

void SetRandomSleepSpan(uint32_t span) { sleepSpan = span; }

}  // namespace zrt
