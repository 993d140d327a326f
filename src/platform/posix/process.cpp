// The calling process and the clock.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <string>

#include "platform/platform.h"

namespace platform {

uint32_t processId() { return static_cast<uint32_t>(getpid()); }

void sleepMs(uint32_t milliseconds) {
    if (faultsArmed()) return;  // a test with injected faults does not wait for retries
    struct timespec left;
    left.tv_sec = static_cast<time_t>(milliseconds / 1000);
    left.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000L;
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

// The C runtime's ctime text without its line break. The names are spelt out here, not taken
// from strftime, so that no locale changes them.
std::string localTimeText() {
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    time_t now = time(nullptr);
    struct tm t {};
    localtime_r(&now, &t);
    char text[64];
    std::snprintf(text, sizeof text, "%s %s %02d %02d:%02d:%02d %4d", kDays[t.tm_wday % 7],
                  kMonths[t.tm_mon % 12], t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec,
                  t.tm_year + 1900);
    return std::string(text).substr(0, 24);
}

}  // namespace platform
