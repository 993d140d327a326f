// Directory searches: wildcards, order, entry details and the end of a search.
#include <dirent.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/test_support.h"

using namespace platform;
using zrt::test::TempDir;

namespace {

std::vector<std::string> namesFound(const std::string& pattern, SysError& firstResult) {
    std::vector<std::string> names;
    DirSearch search;
    DirEntry entry;
    firstResult = search.first(pattern, entry);
    if (firstResult != kOk) return names;
    SysError e = kOk;
    for (; e == kOk; e = search.next(entry)) names.push_back(entry.name);
    EXPECT_EQ(e, kNoMoreFiles);
    EXPECT_EQ(search.next(entry), kNoMoreFiles) << "the end stays the end";
    return names;
}

TEST(DirSearch, WildcardsMatchAsOnWindows) {
    TempDir dir;
    for (const char* name : {"data", "data.txt", "Report.TXT", "a.b.c", "x1.txt", "x22.txt"})
        zrt::test::writeFile(dir.file(name), "");
    using Names = std::set<std::string>;
    Names all = {".", "..", "data", "data.txt", "Report.TXT", "a.b.c", "x1.txt", "x22.txt"};
    struct Case {
        const char* pattern;
        SysError expected;
        Names names;
    } const cases[] = {
        {"*", kOk, all},
        {"*.*", kOk, all},
        {"*.txt", kOk, {"data.txt", "Report.TXT", "x1.txt", "x22.txt"}},
        {"x?.txt", kOk, {"x1.txt"}},
        {"data.*", kOk, {"data", "data.txt"}},
        {"*.c", kOk, {"a.b.c"}},
        {"*.zip", kFileNotFound, {}},
        {"none/*", kPathNotFound, {}},
        {"", kFileNotFound, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pattern);
        SysError first = kOk;
        std::vector<std::string> found = namesFound(dir.path() + "/" + c.pattern, first);
        EXPECT_EQ(first, c.expected);
        EXPECT_EQ(Names(found.begin(), found.end()), c.names);
        EXPECT_EQ(found.size(), c.names.size()) << "each entry once";
    }
}

TEST(DirSearch, EntriesComeInTheFileSystemsOrder) {
    TempDir dir;
    for (int k = 0; k < 20; ++k) zrt::test::writeFile(dir.file("f" + std::to_string(k)), "");
    std::vector<std::string> expected;
    DIR* d = opendir(dir.path().c_str());
    while (struct dirent* e = readdir(d)) expected.push_back(e->d_name);
    closedir(d);
    SysError first = kOk;
    EXPECT_EQ(namesFound(dir.path() + "/*", first), expected);
}

TEST(DirSearch, EntriesCarryAttributesSizeAndUtcTime) {
    TempDir dir;
    zrt::test::writeFile(dir.file(".hidden"), "12345");
    zrt::test::makeHidden(dir.file(".hidden"));
    // Thursday 4 March 2021, 05:06:07.890 UTC
    zrt::test::setLastWriteTime(dir.file(".hidden"), 1614834367, 890000000);
    DirSearch search;
    DirEntry entry;
    ASSERT_EQ(search.first(dir.file(".HIDDEN"), entry), kOk);
    EXPECT_EQ(entry.name, ".hidden");
    EXPECT_EQ(entry.attributes, kAttrArchive | kAttrHidden);
    EXPECT_EQ(entry.size, 5u);
    const SystemTime& t = entry.lastWrite;
    EXPECT_EQ(std::vector<int>({t.year, t.month, t.day, t.dayOfWeek, t.hour, t.minute, t.second,
                                t.milliseconds}),
              std::vector<int>({2021, 3, 4, 4, 5, 6, 7, 890}));
    search.close();
    EXPECT_EQ(search.next(entry), kInvalidHandle);
}

// A long name has an 8.3 name beside it where the volume makes them (NTFS by default).
TEST(DirSearch, LongNamesCarryTheirShortNames) {
    TempDir dir;
    zrt::test::writeFile(dir.file("a rather long name.text"), "");
    DirSearch search;
    DirEntry entry;
    ASSERT_EQ(search.first(dir.file("a rather*"), entry), kOk);
    if (entry.shortName.empty()) GTEST_SKIP() << "this file system keeps no 8.3 names";
    EXPECT_LE(entry.shortName.size(), 12u);
    DirSearch byShortName;
    ASSERT_EQ(byShortName.first(dir.file(entry.shortName), entry), kOk) << "found by it, too";
    EXPECT_EQ(entry.name, "a rather long name.text");
}

}  // namespace
