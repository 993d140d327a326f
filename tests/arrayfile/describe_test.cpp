// Describe: the tree of names and the detailed tree to a depth; the version text of the root.
#include <gtest/gtest.h>

#include <string>

#include "arrayfile/version_text.h"
#include "fixture.h"

namespace zrt::test {
namespace {

// A result written out compactly: 'text', numbers, [id vectors], (nested items), and ⍬ for the
// empty vector.
std::string render(const APLArray* a) {
    if (!a) return "null";
    uint32_t n = cellCount(a);
    if (typeOf(a) == kChar) return "'" + textOf(a) + "'";
    if (typeOf(a) == kNested) {
        std::string s = "(";
        for (uint32_t k = 0; k < n; ++k) s += (k ? " " : "") + render(slotAt(a, k));
        return s + ")";
    }
    if (rankOf(a) == 1 && n == 0) return "⍬";
    std::string s;
    for (double v : numbersOf(a)) s += (s.empty() ? "" : " ") + std::to_string(int64_t(v));
    return rankOf(a) == 0 ? s : "[" + s + "]";
}

class DescribeTree : public ArrayFiles {
protected:
    // . -> F (file: Data, AuditRec, memory array Q: Data) and M (memory array: X).
    void SetUp() override {
        ArrayFiles::SetUp();
        ASSERT_EQ(newFile("F", "f.arr", {{1, 2}, {5, 6, 7}}, {"AuditRec"}), 0);
        ASSERT_EQ(newMemoryArray("F.Q", args(idVector({2}), intScalar(6))), 0);
        ASSERT_EQ(newMemoryArray("M", args(idVector({3, 4}), intScalar(9))), 0);
        ASSERT_EQ(codeOfCall(New, args(chars("M.X"), intScalar(4), intScalar(8))), 0);
    }
    // The rendered tree, the library's version replaced by VERSION; or the code.
    std::string describe(ArrayPtr arg) {
        ArrayPtr result(Describe(arg.get()));
        if (int32_t code = codeOf(result.get())) return std::to_string(code);
        std::string s = render(valueOf(result.get())), version = LibraryVersionText();
        if (size_t at = s.find(version); at != std::string::npos) s.replace(at, version.size(), "VERSION");
        return s;
    }
};

TEST_F(DescribeTree, DepthsAndTheirRefusals) {
    const std::string root = "('.' 1 'VERSION' 'Software\\Morvane\\Plenvia8\\Anvelo')";
    const std::string full = "(" + root + " ((('F' 2 ([1 2] [5 6 7])) ((('Data') ⍬) (('AuditRec') ⍬) "
                             "(('Q' 3 ([2] 6)) ((('Data') ⍬))))) (('M' 3 ([3 4] 9)) ((('X') ⍬)))))";
    const std::string names = "('M' (('X' ⍬)))";
    struct Case {
        const char* name;
        ArrayPtr arg;
        std::string want;
    } cases[] = {
        {"depth 1", args(chars("."), intScalar(1)), "(" + root + " ⍬)"},
        {"beyond the tree's depth", args(chars("."), intScalar(1000)), full},
        {"a fraction", args(chars("M"), doubleScalar(1.5)), names},
        {"under an unknown parent", args(chars("F.Nothing.X"), intScalar(1)), "10007"},
        {"no name", args(intScalar(3)), "10004"},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(describe(std::move(c.arg)), c.want);
    }
}

TEST(VersionText, HighHalvesOfTheProductVersionWords) {
    EXPECT_EQ(ProductVersionText(2u << 16 | 5, 310u << 16), "2.310");
    EXPECT_EQ(ProductVersionText(8u << 16 | 1, 0), "8.00");
}

}  // namespace
}  // namespace zrt::test
