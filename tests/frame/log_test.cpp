#include "frame/log.h"

#include <gtest/gtest.h>

#include <regex>

#include "support/library_env.h"

namespace zrt {
namespace {

TEST(LogEnabled, CategoryAndLevelFromMaskOrLocalMask) {
    struct Case {
        uint32_t mask, local, categories, level;
        bool enabled;
    };
    const Case cases[] = {
        {0x00010003, 0, 0x10000, 3, true},
        {0x00010003, 0, 0x10000, 4, false},
        {0x00010003, 0, 0x20000, 1, false},
        {0, 0x8F, 0x80, 8, true},   // the local mask enables its own lines
        {0, 0x0F, 0x80, 8, false},  // a level alone enables nothing
        {0x0001000F, 0, 0x30000, 2, true},  // either bit of a two-bit category
        {0xFFFFFFF0, 0, 0x80000, 1, false},
    };
    for (const auto& c : cases) {
        SetDebugMask(c.mask);
        EXPECT_EQ(LogEnabled(c.local, c.categories, c.level), c.enabled)
            << std::hex << c.mask << " " << c.local << " " << c.categories << " " << c.level;
    }
    SetDebugMask(0);
}

TEST(Log, LinesAreWrittenByteForByte) {
    test::LibraryEnv env;
    LogMessage("hello");
    LogMessage(nullptr);
    LogValue("ReadXlate returns:", -1);
    LogPrintf("RetryHWrite: WriteFile res %u asked %u written %u", 5u, 10u, 3u);
    uint8_t bytes[33] = {0x00, 0x7F, 0x80, 0xFF};
    LogBytes(bytes, 33);
    std::string expectBytes = "T\n00 7f ff80 ffff ";
    for (int k = 4; k < 32; ++k) expectBytes += "00 ";
    expectBytes += "\n00 \n";
    // Every line's 24-character time replaced by "T".
    static const std::regex time("(^|\n)[A-Z][a-z]{2} [A-Z][a-z]{2} [0-9]{2} "
                                 "[0-9]{2}:[0-9]{2}:[0-9]{2} [0-9]{4}");
    EXPECT_EQ(std::regex_replace(test::readTextFile(kLogFileName), time, "$1T"),
              "T  hello\n"
              "T  \n"
              "T  ReadXlate returns: -1\n"
              "T RetryHWrite: WriteFile res 5 asked 10 written 3\n" +
                  expectBytes);
}

TEST(RotateLogs, ShiftsGenerationsAndDropsTheOldest) {
    test::LibraryEnv env;
    for (const char* name : {"aplsrv.log", "aplsrv01.log", "aplsrv02.log", "aplsrv03.log"})
        test::writeFile(name, name);
    RotateLogs(3);
    EXPECT_FALSE(test::exists("aplsrv.log"));
    EXPECT_EQ(test::readFile("aplsrv01.log"), "aplsrv.log");
    EXPECT_EQ(test::readFile("aplsrv02.log"), "aplsrv01.log");
    EXPECT_EQ(test::readFile("aplsrv03.log"), "aplsrv02.log");
    RotateLogs(0);
    EXPECT_EQ(test::readFile("aplsrv01.log"), "aplsrv.log");
}

}  // namespace
}  // namespace zrt
