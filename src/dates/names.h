// The month and day names that date pictures print, one set per process.
//
// Each of the four lists is unset when the library is loaded; DateInit installs it. A list that
// is still unset prints its default names (the English ones).
#pragma once

#include <cstdint>
#include <string_view>

#include "frame/codes.h"

namespace zrt {

// The DateInit selectors; any other value selects the short day names.
enum NameListId : int32_t {
    kLongMonths = 1,
    kLongDays = 2,
    kShortMonths = 3,
    kShortDays = 4,
};

// Installs a list from a text whose first character separates the names and which closes every
// name with it, e.g. "/Jan/Feb/.../Dec/". An empty text installs the defaults. A text with fewer
// names than the list holds (12 or 7) gets 10001 and leaves the list as it was; text after the
// last name needed is ignored. A null text gets 10004.
[[nodiscard]] Code InstallNames(int32_t selector, const char* text);

// month 1 to 12.
std::string_view MonthName(bool longName, int32_t month);
// weekday 0 Sunday to 6 Saturday.
std::string_view DayName(bool longName, int32_t weekday);

// Back to the state at load: every list unset.
void ResetNames();

}  // namespace zrt
