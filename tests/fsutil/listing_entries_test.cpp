#include "fsutil/listing_entries.h"

#include <gtest/gtest.h>

namespace zrt {
namespace {

using namespace platform;

DirEntry entry(const char* name, uint32_t attributes, uint64_t size = 0) {
    DirEntry e;
    e.name = name;
    e.attributes = attributes;
    e.size = size;
    e.lastWrite = {2021, 3, 4, 4, 5, 6, 7, 890};
    return e;
}

TEST(DirXEntryText, ColumnsAtTheirOffsets) {
    struct Case {
        const char* name;
        DirEntry entry;
        const char* text;
    };
    const Case cases[] = {
        {"every attribute", entry(".hidden", 0x37, 5),
         "        .hiddAHRSD         5 20210304 050607 "},
        // Text that runs past a column is covered by the next one.
        {"long extension", entry("page.markdown", 0, 1),
         "    page.mark              1 20210304 050607 "},
        {"ten-digit size", entry("big.bin", 0, 4000000000u),
         "     big.bin       400000000020210304 050607 "},
        {"size beyond 32 bits", entry("huge.bin", 0, 0x100000005ull),
         "    huge.bin               5 20210304 050607 "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string text = DirXEntryText(c.entry);
        EXPECT_EQ(text.size(), kDirXEntryWidth);
        EXPECT_EQ(text, c.text);
    }
}

TEST(SplitName, ExtensionFromTheLastDotOfTheLastComponentWithItsDot) {
    struct Case {
        const char* path;
        const char* base;
        const char* extension;
    };
    const Case cases[] = {
        {"report.final.txt", "report.final", ".txt"},
        {"name.", "name", "."},
        {".", "", "."},
        {".profile", "", ".profile"},
        {"dir.d/file", "file", ""},             // a dot in the directory is not an extension
        {"C:\\old.dir\\a.b", "a", ".b"},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        NameParts parts = SplitName(c.path);
        EXPECT_EQ(parts.base, c.base);
        EXPECT_EQ(parts.extension, c.extension);
    }
}

}  // namespace
}  // namespace zrt
