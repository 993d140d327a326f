#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "zrt32.h"

namespace zrt {
namespace {

using test::TempDir;

constexpr uint32_t kNoSearch = 0xFFFFFFFFu;
constexpr char kCanary = '\x7F';

// A caller's buffer of size + 1 bytes, followed by canary bytes that must survive every call.
struct Buffer {
    explicit Buffer(int32_t size) : size(size), bytes(size_t(size) + 1 + 16, kCanary) {}
    char* data() { return bytes.data(); }
    bool intactPastEnd() const {
        return std::all_of(bytes.begin() + size + 1, bytes.end(),
                           [](char c) { return c == kCanary; });
    }
    int32_t size;
    std::vector<char> bytes;
};

// A buffer filled exactly by the last entry, or too small for one: entries are cut to the
// buffer, never written past it, and the listing ends in each continuation's own way.
TEST(Dir, EntriesFillTheBufferAndNeverRunPastIt) {
    struct Case {
        const char* name;
        uint32_t (*start)(const char*, int32_t, char*);
        uint32_t (*more)(int32_t, char*);
        int32_t size;
        size_t written;
        uint32_t endCode;
    };
    const Case cases[] = {{"Dir, four entries", Dir, DirMore, 4 * 14, 4 * 14, 1},
                          {"DirX, four entries", DirX, DirMoreX, 4 * 45, 4 * 45, 18},
                          {"Dir, no room", Dir, DirMore, 0, 0, 1},
                          {"Dir, one entry cut", Dir, DirMore, 13, 13, 1}};
    TempDir dir;
    for (const char* name : {"one.txt", "two.txt", "three.txt", "four.txt"})
        test::writeFile(dir.file(name), "x");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Buffer b(c.size);
        ASSERT_EQ(c.start((dir.path() + "/*.txt").c_str(), c.size, b.data()), 0u);
        EXPECT_EQ(std::strlen(b.data()), c.written);
        uint32_t code = 0;
        for (int calls = 0; code == 0 && calls < 4; ++calls) code = c.more(c.size, b.data());
        EXPECT_EQ(code, c.endCode);
        EXPECT_EQ(c.more(c.size, b.data()), kNoSearch);
        EXPECT_TRUE(b.intactPastEnd());
    }
    Buffer b(5);
    const std::vector<char> before = b.bytes;
    EXPECT_EQ(DirX(nullptr, 5, b.data()), 87u);
    EXPECT_EQ(DirMoreX(5, nullptr), 87u);
    EXPECT_EQ(b.bytes, before);
}

// A new listing replaces an unfinished one, and one that fails leaves nothing to continue.
TEST(Dir, ANewListingReplacesAnUnfinishedOne) {
    TempDir first, second;
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) test::writeFile(first.file(name), "x");
    test::writeFile(second.file("only.dat"), "x");
    Buffer b(14);
    ASSERT_EQ(Dir((first.path() + "/*.txt").c_str(), 14, b.data()), 0u);
    ASSERT_EQ(Dir((second.path() + "/*.dat").c_str(), 14, b.data()), 0u);
    EXPECT_STREQ(b.data(), "      only.dat");
    EXPECT_EQ(DirMore(14, b.data()), 1u);

    ASSERT_EQ(Dir((first.path() + "/*.txt").c_str(), 14, b.data()), 0u);
    EXPECT_EQ(Dir((first.path() + "/missing/*").c_str(), 14, b.data()), 3u);
    EXPECT_EQ(DirMore(14, b.data()), kNoSearch);
}

TEST(DirX, LastWriteTimeIsShownInUtc) {
    TempDir dir;
    test::writeFile(dir.file("stamp.dat"), std::string(1234, 'x'));
    using namespace std::chrono;
    auto when = sys_days{year{2021} / 3 / 4} + hours{5} + minutes{6} + seconds{7};
    std::filesystem::last_write_time(dir.file("stamp.dat"), file_clock::from_sys(when));
    test::ScopedEnv zone("TZ", "ZRT-9");  // nine hours east: a local time would show 14:06:07
    Buffer b(90);
    ASSERT_EQ(DirX(dir.file("stamp.dat").c_str(), 90, b.data()), 18u);
    std::string entry(b.data());  // the attribute columns differ between systems
    EXPECT_EQ(entry.substr(0, 13) + entry.substr(18), "   stamp.dat       1234 20210304 050607 ");
}

}  // namespace
}  // namespace zrt
