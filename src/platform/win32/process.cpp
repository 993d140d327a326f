// The calling process and the clock.
#include <cstdio>
#include <string>

#include "platform/platform.h"
#include "platform/win32/win32.h"

namespace platform {

uint32_t processId() { return GetCurrentProcessId(); }

void sleepMs(uint32_t milliseconds) {
    if (faultsArmed()) return;  // a test with injected faults does not wait for retries
    Sleep(milliseconds);
}

// The C runtime's ctime text without its line break, from the local time. The names are
// spelt out here so that no locale changes them.
std::string localTimeText() {
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    SYSTEMTIME t{};
    GetLocalTime(&t);
    char text[64];
    std::snprintf(text, sizeof text, "%s %s %02u %02u:%02u:%02u %4u", kDays[t.wDayOfWeek % 7],
                  kMonths[(t.wMonth + 11) % 12], t.wDay, t.wHour, t.wMinute, t.wSecond,
                  t.wYear);
    return std::string(text).substr(0, 24);
}

}  // namespace platform
