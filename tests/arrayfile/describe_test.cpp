// Describe: the tree of names and the detailed tree to a depth; the version text of the root.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "arrayfile/version_text.h"
#include "fixture.h"

namespace zrt {
namespace {

using test::args;
using test::chars;
using test::intScalar;

// A result written out compactly: 'text', numbers, [id vectors], (nested items), and ⍬ for the
// empty vector.
std::string render(const APLArray* a) {
    if (!a) return "null";
    uint32_t n = cellCount(a);
    if (typeOf(a) == kChar) return "'" + test::textOf(a) + "'";
    if (typeOf(a) == kNested) {
        std::string s = "(";
        for (uint32_t k = 0; k < n; ++k) s += (k ? " " : "") + render(slotAt(a, k));
        return s + ")";
    }
    if (rankOf(a) == 1 && n == 0) return "⍬";
    std::string s;
    for (double v : test::numbersOf(a)) s += (s.empty() ? "" : " ") + std::to_string(int64_t(v));
    return rankOf(a) == 0 ? s : "[" + s + "]";
}

class DescribeTree : public test::ArrayFiles {
protected:
    // . -> F (file: Data, AuditRec, memory array Q: Data, Extra) and M (memory array: X).
    void SetUp() override {
        ArrayFiles::SetUp();
        ASSERT_EQ(newFile("F", "f.arr", {{1, 2}, {5, 6, 7}}, {"AuditRec"}), 0);
        ASSERT_EQ(test::codeOfCall(New, args(chars("F.Q"), intScalar(3),
                                             args(test::idVector({2}), intScalar(6)))),
                  0);
        ASSERT_EQ(test::codeOfCall(New, args(chars("F.Q.Extra"), intScalar(4), intScalar(1))), 0);
        ASSERT_EQ(newMemoryArray("M", args(test::idVector({3, 4}), intScalar(9))), 0);
        ASSERT_EQ(test::codeOfCall(New, args(chars("M.X"), intScalar(4), intScalar(8))), 0);
    }

    std::string describe(ArrayPtr arg) {
        ArrayPtr result(Describe(arg.get()));
        int32_t code = test::codeOf(result.get());
        return code ? std::to_string(code) : render(test::valueOf(result.get()));
    }
    std::string describe(const std::string& name, int32_t depth) {
        return describe(args(chars(name), intScalar(depth)));
    }
};

const std::string kRoot = "('.' 1 'VERSION' 'Software\\Morvane\\Plenvia8\\Anvelo')";
const std::string kFile = "('F' 2 ([1 2] [5 6 7]))";
const std::string kCut = "('Q' 3 ([2] 6))";
const std::string kMemory = "('M' 3 ([3 4] 9))";

// (own description, children) as render writes it; no children is the empty vector.
std::string tree(const std::string& own, std::initializer_list<std::string> children = {}) {
    if (children.size() == 0) return "(" + own + " ⍬)";
    std::string s = "(" + own + " (";
    for (const std::string& c : children) s += (&c == children.begin() ? "" : " ") + c;
    return s + "))";
}
std::string item(const std::string& name) { return tree("('" + name + "')"); }

std::string withoutVersion(std::string s) {
    std::string version = LibraryVersionText();
    size_t at = s.find(version);
    if (at != std::string::npos) s.replace(at, version.size(), "VERSION");
    return s;
}

TEST_F(DescribeTree, DepthZeroNamesTheWholeTree) {
    EXPECT_EQ(describe(args(chars("."))),
              "('.' (('F' (('Data' ⍬) ('AuditRec' ⍬) ('Q' (('Data' ⍬) ('Extra' ⍬))))) "
              "('M' (('X' ⍬)))))");
    EXPECT_EQ(describe("F.Q", 0), "('Q' (('Data' ⍬) ('Extra' ⍬)))");
    EXPECT_EQ(describe("M.X", 0), "('X' ⍬)");
}

TEST_F(DescribeTree, EachDepthDescribesOneLevelMore) {
    std::string level4 =
        tree(kRoot, {tree(kFile, {item("Data"), item("AuditRec"),
                                  tree(kCut, {item("Data"), item("Extra")})}),
                     tree(kMemory, {item("X")})});
    struct Case {
        int32_t depth;
        std::string tree;
    } cases[] = {
        {1, tree(kRoot)},
        {2, tree(kRoot, {tree(kFile), tree(kMemory)})},
        {3, tree(kRoot, {tree(kFile, {item("Data"), item("AuditRec"), tree(kCut)}),
                         tree(kMemory, {item("X")})})},
        {4, level4},
        {5, level4},  // beyond the tree's depth: the same tree
        {1000, level4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.depth);
        EXPECT_EQ(withoutVersion(describe(".", c.depth)), c.tree);
    }
    EXPECT_EQ(describe("F", 2), tree(kFile, {item("Data"), item("AuditRec"), tree(kCut)}));
    EXPECT_EQ(describe("F.Q.Extra", 3), item("Extra"));
}

TEST_F(DescribeTree, ADepthThatIsNotAPositiveIntegerAsksForNames) {
    std::string names = "('M' (('X' ⍬)))";
    EXPECT_EQ(describe(args(chars("M"), test::doubleScalar(1.5))), names);
    EXPECT_EQ(describe(args(chars("M"), chars("deep"))), names);
    EXPECT_EQ(describe("M", -2), names);
    EXPECT_EQ(describe(chars("M")), names);  // a name alone
}

TEST_F(DescribeTree, UnknownNamesAndMissingArguments) {
    EXPECT_EQ(describe("Nothing", 1), "10010");
    EXPECT_EQ(describe("F.Nothing.X", 1), "10007");
    EXPECT_EQ(describe(args(intScalar(3))), "10004");
    EXPECT_EQ(describe(ArrayPtr()), "10004");
}

TEST(VersionText, HighHalvesOfTheProductVersionWords) {
    struct Case {
        uint32_t ms, ls;
        const char* text;
    } cases[] = {
        {2u << 16 | 5, 310u << 16 | 0, "2.310"},
        {8u << 16 | 1, 0u << 16 | 0, "8.00"},  // this library's 8.1.0.0
        {1u << 16 | 9, 7u << 16 | 3, "1.07"},
        {65535u << 16, 65535u << 16 | 65535, "65535.65535"},
    };
    for (const Case& c : cases) EXPECT_EQ(ProductVersionText(c.ms, c.ls), c.text);
}

TEST(VersionText, TheLibrarysVersionForTheInterpreterAndTheBuildsDateAndTime) {
    std::string prefix = ProductVersionText(uint32_t(ZRT_VERSION_MAJOR) << 16,
                                            uint32_t(ZRT_VERSION_PATCH) << 16);
    prefix.replace(prefix.find('.'), 1, "\\.");
    std::regex form(prefix + R"( for Dyalog APL/W \[32\] )" +  // then __DATE__ and __TIME__
                    R"([A-Z][a-z]{2} [ 123][0-9] [0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2})");
    EXPECT_TRUE(std::regex_match(LibraryVersionText(), form)) << LibraryVersionText();
}

}  // namespace
}  // namespace zrt
