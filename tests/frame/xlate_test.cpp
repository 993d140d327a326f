#include "frame/xlate.h"

#include <gtest/gtest.h>

#include "frame/root.h"
#include "support/library_env.h"

namespace zrt {
namespace {

// Writes a section numbering bytes 0-255: number[b] = b except where overridden.
std::string section(const std::string& name, const std::map<int, int>& overrides,
                    const char* defaultChar = "63") {
    std::string text = "[" + name + "]\n";
    if (defaultChar) text += std::string("DefaultChar=") + defaultChar + "\n";
    for (int b = 0; b < 256; ++b) {
        auto it = overrides.find(b);
        text += (b % 16 ? "" : std::to_string(b) + "=") +
                std::to_string(it == overrides.end() ? b : it->second) +
                (b % 16 == 15 ? "\n" : b % 3 ? " " : ",");  // blanks and commas both separate
    }
    return text;
}

class Translation : public ::testing::Test {
protected:
    void SetUp() override { SetTranslationFile(env.file("xlate.ini")); }
    void TearDown() override {
        InstallTable(HostToAPL, nullptr);
        InstallTable(APLToHost, nullptr);
    }
    const uint8_t* build(const char* from, const char* to, Code expected = kOk) {
        const uint8_t* table = nullptr;
        EXPECT_EQ(ReadXlate(CharsetName::of(from), CharsetName::of(to), cache, table), expected);
        return table;
    }
    test::LibraryEnv env;
    XlateCache cache;
};

TEST_F(Translation, MapsByEqualNumbersWithDuplicatesAndDefaults) {
    // SRC numbers byte 65 as 1000, which TGT gives to bytes 66 and 67: the lower wins.
    // SRC numbers byte 200 as 5000, which TGT lacks: TGT's DefaultChar 42.
    test::writeFile(env.file("xlate.ini"),
                    section("SRC", {{65, 1000}, {200, 5000}}) +
                        section("TGT", {{66, 1000}, {67, 1000}}, "42"));
    const uint8_t* table = build("SRC", "TGT");
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table[65], 66);
    EXPECT_EQ(table[200], 42);
    EXPECT_EQ(table[66], 42);  // SRC's 66 is 66, which TGT no longer has

    test::writeFile(env.file("xlate.ini"), "");  // a rebuild would now fail
    EXPECT_EQ(build("src", "tgt"), table);       // from the cache
    EXPECT_EQ(build("dyalog", "DYALOG"), nullptr);  // equal names need no table
    EXPECT_EQ(cache.size(), 1u);
}

TEST_F(Translation, DeficientSectionsAreRefused) {
    std::string cut = "[CUT]\nDefaultChar=1\n0=0 1 2\n";  // key 3 never comes
    test::writeFile(env.file("xlate.ini"), section("NODEF", {}, nullptr) + cut + section("OK", {}));
    build("NODEF", "OK", kNoDefaultChar);
    build("OK", "NODEF", kNoDefaultChar);
    build("CUT", "OK", kNoDefaultChar);
    EXPECT_TRUE(cache.empty());
}

TEST(InitTranslation, BuildsBothTablesFromTheRegistryFileOrLeavesThemIdentity) {
    test::LibraryEnv env;
    env.setUserValue("Main", "APLUNICODE", "sets.ini");
    const std::string charsets = "[Charsets]\nDYALOG=AAA\nHOST=BBB\n";
    test::writeFile(env.file("sets.ini"),
                    charsets + section("AAA", {{200, 201}, {201, 200}}) + section("BBB", {}));
    ASSERT_EQ(env.init(), 0u);
    EXPECT_EQ(APLToHost[200], 201);
    EXPECT_EQ(HostToAPL[201], 200);
    EXPECT_TRUE(DyalogCharset().sameAs(CharsetName::of("AAA")));

    test::writeFile(env.file("sets.ini"), charsets + section("BBB", {}));
    InstallTablesAtLoad();  // AAA has no DefaultChar: both tables become the identity
    EXPECT_EQ(APLToHost[200], 200);
    EXPECT_EQ(HostToAPL[201], 201);
}

TEST(InitTranslation, GarbageFilesNeverCrash) {
    test::LibraryEnv env;
    std::string garbage;
    for (int k = 0; k < 5000; ++k) garbage += static_cast<char>((k * 7919) % 251 + 1);
    test::writeFile(env.file("APLUNICD.INI"), "[Charsets]\nDYALOG=X\nHOST=Y\n[X]\n" + garbage);
    EXPECT_EQ(env.init(), 10036u);
    test::writeFile(env.file("APLUNICD.INI"), garbage);
    EXPECT_EQ(env.init(), 10036u);
    EXPECT_EQ(CurrentRoot(), nullptr);
}

}  // namespace
}  // namespace zrt
