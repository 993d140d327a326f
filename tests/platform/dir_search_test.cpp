// Directory searches: wildcards and the end of a search.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/platform.h"
#include "support/test_support.h"

using namespace platform;
using zrt::test::TempDir;

namespace {

TEST(DirSearch, WildcardsMatchAsOnWindowsAndEachEntryComesOnce) {
    TempDir dir;
    for (const char* name : {"data", "data.txt", "Report.TXT", "a.b.c", "x1.txt", "x22.txt"})
        zrt::test::writeFile(dir.file(name), "");
    using Names = std::multiset<std::string>;
    struct Case { const char* pattern; SysError expected; Names names; } const cases[] = {
        {"*.*", kOk, {".", "..", "data", "data.txt", "Report.TXT", "a.b.c", "x1.txt", "x22.txt"}},
        {"x?.txt", kOk, {"x1.txt"}},
        {"data.*", kOk, {"data", "data.txt"}},
        {"", kFileNotFound, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pattern);
        Names found;
        DirSearch search;
        DirEntry entry;
        SysError e = search.first(dir.path() + "/" + c.pattern, entry);
        EXPECT_EQ(e, c.expected);
        for (; e == kOk; e = search.next(entry)) found.insert(entry.name);
        EXPECT_EQ(found, c.names);
        EXPECT_EQ(search.next(entry), c.expected == kOk ? kNoMoreFiles : kInvalidHandle)
            << "the end stays the end";
    }
}

}  // namespace
