#include "frame/log.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include "frame/array.h"
#include "platform/platform.h"

namespace zrt {

const char* const kLogFileName = "aplsrv.log";

namespace {

uint32_t debugMask = 0;

// One line: the time, then whatever write() adds, then the file is closed again. A log that
// cannot be opened drops the line.
template <class Write>
void logLine(Write write) {
    std::FILE* f = std::fopen(kLogFileName, "a");
    if (!f) return;
    std::fprintf(f, "%24.24s", platform::localTimeText().c_str());
    write(f);
    std::fclose(f);
}

std::string generationName(uint32_t k) {
    char name[32];
    std::snprintf(name, sizeof name, "aplsrv%02u.log", k);
    return name;
}

}  // namespace

bool LogEnabled(uint32_t localMask, uint32_t categories, uint32_t level) {
    bool category = ((debugMask | localMask) & categories & ~0xFu) != 0;
    bool deepEnough = (debugMask & 15u) >= level || (localMask & 15u) >= level;
    return category && deepEnough;
}

void SetDebugMask(uint32_t mask) { debugMask = mask; }
uint32_t DebugMask() { return debugMask; }

void LogMessage(const char* text) {
    logLine([&](std::FILE* f) { std::fprintf(f, "  %s\n", text ? text : ""); });
}

void LogMessage2(const char* text1, const char* text2) {
    logLine([&](std::FILE* f) {
        std::fprintf(f, "  %s%s\n", text1 ? text1 : "", text2 ? text2 : "");
    });
}

void LogValue(const char* text, int32_t value) {
    logLine([&](std::FILE* f) { std::fprintf(f, "  %s %ld\n", text ? text : "", long(value)); });
}

void LogPrintf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    logLine([&](std::FILE* f) {
        std::fputc(' ', f);
        std::vfprintf(f, format, args);
        std::fputc('\n', f);
    });
    va_end(args);
}

void LogBytes(const void* data, uint32_t count) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    if (!bytes) count = 0;
    logLine([&](std::FILE* f) {
        for (uint32_t k = 0; k < count; ++k) {
            if (k % 32 == 0) std::fputc('\n', f);
            // Each byte is widened as a signed value: 0x80-0xFF print as ff80-ffff.
            auto wide = static_cast<unsigned short>(static_cast<int16_t>(static_cast<int8_t>(bytes[k])));
            std::fprintf(f, "%02hx ", wide);
        }
        std::fputc('\n', f);
    });
}

void LogArray(const APLArray* a) {
    logLine([&](std::FILE* f) {
        std::fputs(" APL Array:\n", f);
        if (!a) {
            std::fputs("\tArray is empty.\n", f);
            return;
        }
        // The interpreter keeps a reference count in its own blocks; ours have none, so the
        // line shows 0 and the log stays the same from run to run.
        const unsigned long ref = 0;
        std::fprintf(f, "\tArray length in bytes %lu\ttype %s\trank %u\n\tref %lu\n",
                     static_cast<unsigned long>(a->blockWords) * 4, SQTypeName(SQTypeOf(a)),
                     rankOf(a), ref);
        if (rankOf(a) == 0) return;
        std::fputs("\tArray shape ", f);
        for (uint32_t i = 0; i < rankOf(a); ++i)
            std::fprintf(f, "%lu ", static_cast<unsigned long>(shapeOf(a)[i]));
        std::fputc('\n', f);
    });
}

void RotateLogs(uint32_t generations) {
    if (generations == 0) return;
    platform::deleteFile(generationName(generations));
    for (uint32_t k = generations - 1; k >= 1; --k)
        (void)platform::moveFile(generationName(k), generationName(k + 1));
    (void)platform::moveFile(kLogFileName, generationName(1));  // there may be no log yet
}

}  // namespace zrt
