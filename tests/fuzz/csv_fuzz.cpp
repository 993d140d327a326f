// DllCntCols and DllSep over any text: the first bytes choose the quote, the separator and the
// block size. A DllSep that fails leaves the file position where it found it.
#include <algorithm>
#include <string>

#include "fuzz_env.h"
#include "platform/platform.h"
#include "support/test_support.h"
#include "zrt32.h"

using namespace zrt;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::env();
    if (size < 3) return 0;
    const std::string marks{char(data[0] % 2 ? '"' : '\''), char(data[1] % 2 ? ',' : ';')};
    const int32_t block = 1024 + data[2] * 8;
    test::writeFile("in.csv", fuzz::bytesOf(data + 3, size - 3));
    platform::ClassicHandle h = platform::classicOpen("in.csv", platform::kOfRead);
    if (h == platform::kClassicError) fuzz::violated("the text file opens");
    ArrayPtr(DllCntCols(test::args(test::ints({h}), test::chars(marks), test::ints({block})).get()));
    platform::classicSeek(h, 0, 0);
    for (int call = 0; call < 64; ++call) {
        const int32_t before = platform::classicSeek(h, 0, 1);
        ArrayPtr rows(DllSep(test::args(test::ints({h}), test::chars(marks), test::ints({1, 3, 2, 3}),
                                        test::ints({block}))
                                 .get()));
        const int32_t code = test::codeOf(rows.get());
        if (code == 0) continue;
        if (platform::classicSeek(h, 0, 1) != before) fuzz::violated("a failed DllSep reads nothing");
        break;
    }
    platform::classicClose(h);
    return 0;
}
