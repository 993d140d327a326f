// myDate with any picture text over a few day numbers (some at the ends of the range), and the
// date conversions of the same numbers both ways.
#include <cmath>
#include <cstring>
#include <string>

#include "fuzz_env.h"
#include "zrt32.h"

using namespace zrt;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::env();
    if (size < 8) return 0;
    double days[2];
    std::memcpy(days, data, 8);
    days[1] = std::trunc(days[0]);  // a whole number too
    const std::string picture = fuzz::bytesOf(data + 8, size - 8);
    ArrayPtr(myDate(test::args(test::chars(picture), test::doubles({days[0], days[1], 0, 2958465.99999})).get()));
    int32_t day;
    std::memcpy(&day, data, 4);
    ArrayPtr ymd(DateToYMD(test::ints({day}).get()));
    if (test::codeOf(ymd.get()) != 0) fuzz::violated("every day number has a date");
    ArrayPtr back(DateFromYMD(const_cast<APLArray*>(test::valueOf(ymd.get()))));
    if (test::numbersOf(test::valueOf(back.get())) != std::vector<double>{double(day)})
        fuzz::violated("a date converts back to its day number");
    return 0;
}
