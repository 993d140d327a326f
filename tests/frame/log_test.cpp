#include "frame/log.h"

#include <gtest/gtest.h>

#include <regex>
#include <tuple>

#include "support/library_env.h"

namespace zrt {
namespace {

TEST(LogEnabled, CategoryAndLevelFromMaskOrLocalMask) {
    const std::tuple<uint32_t, uint32_t, uint32_t, uint32_t, bool> cases[] = {
        // mask, local mask, categories, level, enabled
        {0x00010003, 0, 0x10000, 3, true},
        {0x00010003, 0, 0x10000, 4, false},
        {0, 0x8F, 0x80, 8, true},           // the local mask enables its own lines
        {0, 0x0F, 0x80, 8, false},          // a level alone enables nothing
        {0x0001000F, 0, 0x30000, 2, true},  // either bit of a two-bit category
    };
    for (auto [mask, local, categories, level, enabled] : cases) {
        SetDebugMask(mask);
        EXPECT_EQ(LogEnabled(local, categories, level), enabled)
            << std::hex << mask << " " << local << " " << categories << " " << level;
    }
    SetDebugMask(0);
}

TEST(Log, LinesAreWrittenByteForByte) {
    test::LibraryEnv env;
    LogMessage("hello");
    LogValue("ReadXlate returns:", -1);
    uint8_t bytes[33] = {0x00, 0x7F, 0x80, 0xFF};
    LogBytes(bytes, 33);
    std::string expectBytes = "T\n00 7f ff80 ffff ";
    for (int k = 4; k < 32; ++k) expectBytes += "00 ";
    // Every line's 24-character time replaced by "T".
    static const std::regex time("(^|\n)[A-Z][a-z]{2} [A-Z][a-z]{2} [0-9]{2} "
                                 "[0-9]{2}:[0-9]{2}:[0-9]{2} [0-9]{4}");
    EXPECT_EQ(std::regex_replace(test::readTextFile(kLogFileName), time, "$1T"),
              "T  hello\nT  ReadXlate returns: -1\n" + expectBytes + "\n00 \n");
}

TEST(RotateLogs, ShiftsGenerationsAndDropsTheOldest) {
    test::LibraryEnv env;
    for (const char* name : {"aplsrv.log", "aplsrv01.log", "aplsrv02.log", "aplsrv03.log"})
        test::writeFile(name, name);
    RotateLogs(3);
    RotateLogs(0);  // no generations: nothing moves
    EXPECT_FALSE(test::exists("aplsrv.log"));
    EXPECT_EQ(test::readFile("aplsrv01.log"), "aplsrv.log");
    EXPECT_EQ(test::readFile("aplsrv03.log"), "aplsrv02.log");
}

}  // namespace
}  // namespace zrt
