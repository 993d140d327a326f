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

namespace fs = std::filesystem;
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

void makeFiles(const TempDir& dir, const std::vector<std::string>& names) {
    for (const auto& n : names) test::writeFile(dir.file(n), "x");
}

// A buffer filled exactly by the last entry: the listing stays open, and the call after it
// finds nothing more, which each continuation reports in its own way.
TEST(Dir, BufferFilledExactlyByTheLastEntry) {
    struct Case {
        const char* name;
        uint32_t (*start)(const char*, int32_t, char*);
        uint32_t (*more)(int32_t, char*);
        size_t width;
        uint32_t endCode;
    };
    const Case cases[] = {{"Dir", Dir, DirMore, 14, 1}, {"DirX", DirX, DirMoreX, 45, 18}};
    TempDir dir;
    makeFiles(dir, {"one.txt", "two.txt", "three.txt", "four.txt"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int32_t size = int32_t(4 * c.width);
        Buffer full(size);
        ASSERT_EQ(c.start((dir.path() + "/*.txt").c_str(), size, full.data()), 0u);
        EXPECT_EQ(std::strlen(full.data()), 4 * c.width);
        EXPECT_TRUE(full.intactPastEnd());
        EXPECT_EQ(c.more(size, full.data()), c.endCode);
        EXPECT_EQ(full.bytes[0], '\0');
        EXPECT_EQ(c.more(size, full.data()), kNoSearch);
    }
}

TEST(Dir, BufferSmallerThanOneEntryReceivesOneEntryCutToItsSize) {
    TempDir dir;
    makeFiles(dir, {"abcdefgh.txt", "second.txt"});
    for (int32_t size : {0, 5, 13}) {
        SCOPED_TRACE(size);
        Buffer b(size);
        ASSERT_EQ(Dir((dir.path() + "/*.txt").c_str(), size, b.data()), 0u);
        EXPECT_EQ(std::strlen(b.data()), size_t(size));
        ASSERT_EQ(DirMore(size, b.data()), 0u);  // the second entry, cut the same way
        EXPECT_EQ(std::strlen(b.data()), size_t(size));
        EXPECT_EQ(DirMore(size, b.data()), 1u);
        EXPECT_TRUE(b.intactPastEnd());
    }
    Buffer b(5);
    ASSERT_EQ(DirX((dir.path() + "/abc*").c_str(), 5, b.data()), 0u);
    EXPECT_STREQ(b.data(), "abcde");
    EXPECT_TRUE(b.intactPastEnd());
    EXPECT_EQ(DirMoreX(5, b.data()), 18u);

    // Without a buffer, or with a negative size, nothing is written.
    const std::vector<char> before = b.bytes;
    EXPECT_EQ(Dir((dir.path() + "/*").c_str(), -1, b.data()), 87u);
    EXPECT_EQ(DirMore(-5, b.data()), 87u);
    EXPECT_EQ(DirX(nullptr, 5, b.data()), 87u);
    EXPECT_EQ(DirMoreX(5, nullptr), 87u);
    EXPECT_EQ(b.bytes, before);
}

// A new listing replaces an unfinished one, and one that fails leaves nothing to continue.
TEST(Dir, ANewListingReplacesAnUnfinishedOne) {
    TempDir first, second;
    makeFiles(first, {"a.txt", "b.txt", "c.txt"});
    makeFiles(second, {"only.dat"});
    Buffer b(14);
    ASSERT_EQ(Dir((first.path() + "/*.txt").c_str(), 14, b.data()), 0u);
    ASSERT_EQ(Dir((second.path() + "/*.dat").c_str(), 14, b.data()), 0u);
    EXPECT_STREQ(b.data(), "      only.dat");
    EXPECT_EQ(DirMore(14, b.data()), 1u);
    EXPECT_EQ(DirMore(14, b.data()), kNoSearch);

    ASSERT_EQ(Dir((first.path() + "/*.txt").c_str(), 14, b.data()), 0u);
    EXPECT_EQ(Dir((first.path() + "/missing/*").c_str(), 14, b.data()), 3u);
    EXPECT_EQ(b.bytes[0], '\0');
    EXPECT_EQ(DirMore(14, b.data()), kNoSearch);
    EXPECT_TRUE(b.intactPastEnd());
}

TEST(DirX, LastWriteTimeIsShownInUtc) {
    TempDir dir;
    test::writeFile(dir.file("stamp.dat"), std::string(1234, 'x'));
    using namespace std::chrono;
    auto when = sys_days{year{2021} / 3 / 4} + hours{5} + minutes{6} + seconds{7};
    fs::last_write_time(dir.file("stamp.dat"), file_clock::from_sys(when));
    test::ScopedEnv zone("TZ", "ZRT-9");  // nine hours east: a local time would show 14:06:07

    Buffer b(90);
    ASSERT_EQ(DirX(dir.file("stamp.dat").c_str(), 90, b.data()), 18u);
    std::string entry(b.data());
    ASSERT_EQ(entry.size(), 45u);
    EXPECT_EQ(entry.substr(0, 13), "   stamp.dat ");
    EXPECT_EQ(entry.substr(18), "      1234 20210304 050607 ");
}

}  // namespace
}  // namespace zrt
