#include "fsutil/name_split.h"

#include <gtest/gtest.h>

namespace zrt {
namespace {

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
