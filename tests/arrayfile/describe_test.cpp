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

// (own description, children) as render writes it; no children is the empty vector.
std::string tree(const std::string& own, std::initializer_list<std::string> children = {}) {
    if (children.size() == 0) return "(" + own + " ⍬)";
    std::string s = "(" + own + " (";
    for (const std::string& c : children) s += (&c == children.begin() ? "" : " ") + c;
    return s + "))";
}
std::string item(const std::string& name) { return tree("('" + name + "')"); }

class DescribeTree : public test::ArrayFiles {
protected:
    // . -> F (file: Data, AuditRec, memory array Q: Data, Extra) and M (memory array: X).
    void SetUp() override {
        ArrayFiles::SetUp();
        ASSERT_EQ(newFile("F", "f.arr", {{1, 2}, {5, 6, 7}}, {"AuditRec"}), 0);
        ASSERT_EQ(newMemoryArray("F.Q", args(test::idVector({2}), intScalar(6))), 0);
        ASSERT_EQ(test::codeOfCall(New, args(chars("F.Q.Extra"), intScalar(4), intScalar(1))), 0);
        ASSERT_EQ(newMemoryArray("M", args(test::idVector({3, 4}), intScalar(9))), 0);
        ASSERT_EQ(test::codeOfCall(New, args(chars("M.X"), intScalar(4), intScalar(8))), 0);
    }
    // The rendered tree, the library's version replaced by VERSION; or the code.
    std::string describe(ArrayPtr arg) {
        ArrayPtr result(Describe(arg.get()));
        if (int32_t code = test::codeOf(result.get())) return std::to_string(code);
        std::string s = render(test::valueOf(result.get())), version = LibraryVersionText();
        if (size_t at = s.find(version); at != std::string::npos) s.replace(at, version.size(), "VERSION");
        return s;
    }
};

TEST_F(DescribeTree, EachDepthDescribesOneLevelMore) {
    const std::string root = "('.' 1 'VERSION' 'Software\\Morvane\\Plenvia8\\Anvelo')";
    const std::string file = "('F' 2 ([1 2] [5 6 7]))", cut = "('Q' 3 ([2] 6))";
    const std::string memory = "('M' 3 ([3 4] 9))";
    std::string level4 = tree(root, {tree(file, {item("Data"), item("AuditRec"),
                                                 tree(cut, {item("Data"), item("Extra")})}),
                                     tree(memory, {item("X")})});
    struct Case {
        int32_t depth;
        std::string tree;
    } cases[] = {
        {1, tree(root)},
        {3, tree(root, {tree(file, {item("Data"), item("AuditRec"), tree(cut)}),
                        tree(memory, {item("X")})})},
        {4, level4},
        {1000, level4},  // beyond the tree's depth: the same tree
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.depth);
        EXPECT_EQ(describe(args(chars("."), intScalar(c.depth))), c.tree);
    }
}

TEST_F(DescribeTree, NamesOnlyUnlessTheDepthIsAPositiveInteger) {
    const std::string names = "('M' (('X' ⍬)))";
    struct Case {
        const char* name;
        ArrayPtr arg;
        std::string want;
    } cases[] = {
        {"the root at depth 0", args(chars(".")),
         "('.' (('F' (('Data' ⍬) ('AuditRec' ⍬) ('Q' (('Data' ⍬) ('Extra' ⍬))))) ('M' (('X' ⍬)))))"},
        {"a fraction", args(chars("M"), test::doubleScalar(1.5)), names},
        {"text", args(chars("M"), chars("deep")), names},
        {"a negative depth", args(chars("M"), intScalar(-2)), names},
        {"a name alone", chars("M"), names},
        {"an unknown name", args(chars("Nothing"), intScalar(1)), "10010"},
        {"under an unknown parent", args(chars("F.Nothing.X"), intScalar(1)), "10007"},
        {"no name", args(intScalar(3)), "10004"},
        {"no argument", ArrayPtr(), "10004"},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(describe(std::move(c.arg)), c.want);
    }
}

TEST(VersionText, HighHalvesOfTheProductVersionWords) {
    EXPECT_EQ(ProductVersionText(2u << 16 | 5, 310u << 16), "2.310");
    EXPECT_EQ(ProductVersionText(8u << 16 | 1, 0), "8.00");  // this library's 8.1.0.0
    EXPECT_EQ(ProductVersionText(65535u << 16, 65535u << 16 | 65535), "65535.65535");
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
