#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <set>
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
        for (size_t i = size_t(size) + 1; i < bytes.size(); ++i)
            if (bytes[i] != kCanary) return false;
        return true;
    }
    // The listing cut into its entries, blanks trimmed.
    std::vector<std::string> entries(size_t width) const {
        std::string text(bytes.data());
        EXPECT_EQ(text.size() % width, 0u) << text;
        std::vector<std::string> out;
        for (size_t at = 0; at + width <= text.size(); at += width) {
            std::string e = text.substr(at, width);
            e.erase(0, e.find_first_not_of(' '));
            out.push_back(e);
        }
        return out;
    }
    int32_t size;
    std::vector<char> bytes;
};

void makeFiles(const TempDir& dir, const std::vector<std::string>& names) {
    for (const auto& n : names) test::writeFile(dir.file(n), "x");
}

void addAll(std::multiset<std::string>& seen, const std::vector<std::string>& entries) {
    seen.insert(entries.begin(), entries.end());
}

TEST(Dir, FiveFilesInBuffersOfTwoEntriesThenTheEnd) {
    TempDir dir;
    makeFiles(dir, {"a1.txt", "b2.txt", "c3.txt", "d4.txt", "e5.txt"});
    std::multiset<std::string> seen;

    Buffer first(28);
    ASSERT_EQ(Dir((dir.path() + "/*").c_str(), 28, first.data()), 0u);
    EXPECT_EQ(first.entries(14).size(), 2u);
    addAll(seen, first.entries(14));

    Buffer second(28);
    ASSERT_EQ(DirMore(28, second.data()), 0u);
    EXPECT_EQ(second.entries(14).size(), 2u);
    addAll(seen, second.entries(14));

    Buffer last(28);
    ASSERT_EQ(DirMore(28, last.data()), 18u);
    EXPECT_EQ(last.entries(14).size(), 1u);
    addAll(seen, last.entries(14));

    Buffer after(28);
    EXPECT_EQ(DirMore(28, after.data()), kNoSearch);
    EXPECT_EQ(after.bytes[0], '\0');

    EXPECT_EQ(seen, (std::multiset<std::string>{"a1.txt", "b2.txt", "c3.txt", "d4.txt", "e5.txt"}));
    for (Buffer* b : {&first, &second, &last, &after}) EXPECT_TRUE(b->intactPastEnd());
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
    const Case cases[] = {
        {"Dir", Dir, DirMore, 14, 1},
        {"DirX", DirX, DirMoreX, 45, 18},
    };
    TempDir dir;
    makeFiles(dir, {"one.txt", "two.txt", "three.txt", "four.txt"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int32_t size = int32_t(4 * c.width);
        Buffer full(size);
        ASSERT_EQ(c.start((dir.path() + "/*.txt").c_str(), size, full.data()), 0u);
        EXPECT_EQ(full.entries(c.width).size(), 4u);
        EXPECT_EQ(std::strlen(full.data()), size_t(size));
        EXPECT_TRUE(full.intactPastEnd());

        Buffer end(size);
        EXPECT_EQ(c.more(size, end.data()), c.endCode);
        EXPECT_EQ(end.bytes[0], '\0');
        EXPECT_EQ(c.more(size, end.data()), kNoSearch);
    }
}

TEST(Dir, LeavesOutHiddenEntriesAndDirectoriesThatDirXLists) {
    TempDir dir;
    makeFiles(dir, {"shown.txt", ".hidden"});
    fs::create_directory(dir.file("sub"));

    Buffer listing(14 * 10);
    EXPECT_EQ(Dir((dir.path() + "/*").c_str(), listing.size, listing.data()), 18u);
    EXPECT_EQ(listing.entries(14), std::vector<std::string>{"shown.txt"});

    Buffer all(45 * 10);
    EXPECT_EQ(DirX((dir.path() + "/*").c_str(), all.size, all.data()), 18u);
    std::string text(all.data());
    bool sawSub = false, sawHidden = false;
    for (size_t at = 0; at < text.size(); at += 45) {
        std::string e = text.substr(at, 45);
        if (e.substr(0, 13) == "     sub     ") {
            sawSub = true;
            EXPECT_EQ(e[17], 'D');
            EXPECT_EQ(e.substr(18, 11), "         0 ");
        }
        if (e.substr(0, 13) == "        .hidd") {
            sawHidden = true;
            EXPECT_EQ(e[14], 'H');
        }
    }
    EXPECT_TRUE(sawSub) << text;
    EXPECT_TRUE(sawHidden) << text;
}

TEST(Dir, ErrorsOfTheSearchWithAnEmptyBuffer) {
    TempDir dir;
    makeFiles(dir, {".hidden", "plain.txt"});
    fs::create_directory(dir.file("sub"));
    struct Case {
        const char* pattern;
        uint32_t code;
    };
    const Case cases[] = {
        {"/*.none", 2},       // nothing matches
        {"/missing/*", 3},    // no such directory
        {"/.h*", 18},         // only entries that Dir leaves out
        {"/sub", 18},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pattern);
        Buffer b(28);
        EXPECT_EQ(Dir((dir.path() + c.pattern).c_str(), 28, b.data()), c.code);
        EXPECT_EQ(b.bytes[0], '\0');
        EXPECT_EQ(DirMore(28, b.data()), kNoSearch);
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
        EXPECT_TRUE(b.intactPastEnd());
        ASSERT_EQ(DirMore(size, b.data()), 0u);  // the second entry, cut the same way
        EXPECT_EQ(std::strlen(b.data()), size_t(size));
        EXPECT_TRUE(b.intactPastEnd());
        EXPECT_EQ(DirMore(size, b.data()), 1u);
    }
    Buffer b(5);
    ASSERT_EQ(DirX((dir.path() + "/abc*").c_str(), 5, b.data()), 0u);
    EXPECT_STREQ(b.data(), "abcde");
    EXPECT_TRUE(b.intactPastEnd());
    EXPECT_EQ(DirMoreX(5, b.data()), 18u);
}

TEST(Dir, RefusesMissingArgumentsAndNegativeSizesWithoutWriting) {
    TempDir dir;
    makeFiles(dir, {"a.txt"});
    std::string pattern = dir.path() + "/*";
    Buffer b(0);
    EXPECT_EQ(Dir(pattern.c_str(), -1, b.data()), 87u);
    EXPECT_EQ(DirX(nullptr, 10, b.data()), 87u);
    EXPECT_EQ(Dir(pattern.c_str(), 10, nullptr), 87u);
    EXPECT_EQ(DirMore(-5, b.data()), 87u);
    EXPECT_EQ(DirMoreX(10, nullptr), 87u);
    EXPECT_EQ(b.bytes[0], kCanary);
}

TEST(Dir, ANewListingReplacesAnUnfinishedOne) {
    TempDir first, second;
    makeFiles(first, {"a.txt", "b.txt", "c.txt"});
    makeFiles(second, {"only.dat"});
    Buffer b(14);
    ASSERT_EQ(Dir((first.path() + "/*.txt").c_str(), 14, b.data()), 0u);
    ASSERT_EQ(Dir((second.path() + "/*.dat").c_str(), 14, b.data()), 0u);
    EXPECT_EQ(b.entries(14), std::vector<std::string>{"only.dat"});
    EXPECT_EQ(DirMore(14, b.data()), 1u);
    EXPECT_EQ(DirMore(14, b.data()), kNoSearch);
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
