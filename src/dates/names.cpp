#include "dates/names.h"

#include <array>
#include <string>
#include <vector>

#include "frame/result.h"
#include "zrt32.h"

namespace zrt {

namespace {

struct ListShape {
    size_t count;
    const char* defaults;
};

// Indexed by the list: long months, long days, short months, short days.
constexpr ListShape kShapes[4] = {
    {12, "/January/February/March/April/May/June/July/August/September/October/November/December/"},
    {7, "/Sunday/Monday/Tuesday/Wednesday/Thursday/Friday/Saturday/"},
    {12, "/Jan/Feb/Mar/Apr/May/Jun/Jul/Aug/Sep/Oct/Nov/Dec/"},
    {7, "/Sun/Mon/Tue/Wed/Thu/Fri/Sat/"},
};

using NameList = std::vector<std::string>;

// The installed lists; an empty one is unset.
std::array<NameList, 4>& installed() {
    static std::array<NameList, 4> lists;
    return lists;
}

size_t indexOf(int32_t selector) {
    switch (selector) {
    case kLongMonths: return 0;
    case kLongDays: return 1;
    case kShortMonths: return 2;
    default: return 3;
    }
}

// The first count names of a text whose first character is the separator; each name ends at
// the next separator. Text after the last name needed is ignored.
bool splitNames(std::string_view text, size_t count, NameList& names) {
    if (text.empty()) return false;
    char separator = text[0];
    size_t start = 1;
    while (names.size() < count) {
        size_t end = text.find(separator, start);
        if (end == std::string_view::npos) return false;
        names.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return true;
}

// The defaults, split once.
const NameList& defaultList(size_t index) {
    static const std::array<NameList, 4> defaults = [] {
        std::array<NameList, 4> lists;
        for (size_t i = 0; i < 4; ++i) splitNames(kShapes[i].defaults, kShapes[i].count, lists[i]);
        return lists;
    }();
    return defaults[index];
}

std::string_view nameAt(size_t list, int32_t position) {
    const NameList& names = installed()[list].empty() ? defaultList(list) : installed()[list];
    return names[static_cast<size_t>(position)];
}

}  // namespace

Code InstallNames(int32_t selector, const char* text) {
    if (!text) return kBadType;
    size_t index = indexOf(selector);
    std::string_view source = *text ? std::string_view(text) : kShapes[index].defaults;
    NameList names;
    if (!splitNames(source, kShapes[index].count, names)) return kRange;
    installed()[index] = std::move(names);
    return kOk;
}

std::string_view MonthName(bool longName, int32_t month) {
    return nameAt(longName ? 0 : 2, month - 1);
}

std::string_view DayName(bool longName, int32_t weekday) {
    return nameAt(longName ? 1 : 3, weekday);
}

void ResetNames() {
    for (NameList& list : installed()) list.clear();
}

}  // namespace zrt

// DateInit: sets one list of names (selector 1 long months, 2 long days, 3 short months, any
// other the short days) from a text that starts with its separator; an empty text installs the
// defaults.
extern "C" ZRT_PUBLIC uint32_t ZRT_CDECL DateInit(int32_t selector, const char* text) {
    return zrt::guardedCode([&] { return zrt::InstallNames(selector, text); });
}
