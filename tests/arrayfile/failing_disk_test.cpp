// New, Save and Transpose on a disk that fails at each of their calls in turn: the documented
// code, no object or file where none is promised, and the file stored before untouched.
#include <gtest/gtest.h>

#include <cstdio>

#include "fixture.h"
#include "support/fault_walk.h"
#include "support/test_support.h"

namespace zrt::test {
namespace {

class FailingDisk : public ArrayFiles {
protected:
    void makeSource() {
        ASSERT_EQ(newFile("F", "f.arr", {{1, 2, 3}, {10, 20}}, {"Extra"}), 0);
        ASSERT_EQ(put("F.Data", doubles({1, 2, 3, 4, 5, 6})), 0);
        stored_ = readFile(path("f.arr"));
    }
    // The file stored before reads back as it was, bytes and cells.
    void expectSourceIntact() {
        EXPECT_EQ(readFile(path("f.arr")), stored_);
        EXPECT_EQ(get("F.Data").cells, (Cells{1, 2, 3, 4, 5, 6}));
    }
    std::string stored_;
};

TEST_F(FailingDisk, NewLeavesNoObjectAndNoFile) {
    for (const platform::FaultPlan& plan : kBrokenDisks) {
        uint64_t calls = walkFaults(
            plan,
            [&] {
                close("F");
                std::remove(path("f.arr").c_str());
            },
            [&] { return uint32_t(newFile("F", "f.arr", {{1, 2, 3}, {10, 20}}, {"Extra"})); },
            [&](uint64_t, uint32_t code) {
                EXPECT_EQ(code, uint32_t(kFileError));
                EXPECT_EQ(find("F"), nullptr);
                EXPECT_FALSE(exists(path("f.arr")));
            });
        EXPECT_GT(calls, 2u);
    }
}

// Save writes cells in place: a failure keeps what was written before it, and the file stays a
// file that opens and reads, each cell old or new.
TEST_F(FailingDisk, SaveLeavesAFileThatReads) {
    makeSource();
    for (const platform::FaultPlan& plan : kBrokenDisks) {
        walkFaults(
            plan,
            [&] {
                close("F");
                writeFile(path("f.arr"), stored_);
                ASSERT_EQ(openFile("F", "f.arr"), 0);
                ASSERT_EQ(newMemoryArray("F.Q", args(idVector({3, 1}), idVector({20, 10}))), 0);
                ASSERT_EQ(put("F.Q.Data", doubles({60, 50, 20, 10})), 0);
            },
            [&] { return uint32_t(codeOfCall(Save, args(chars("F.Q")))); },
            [&](uint64_t, uint32_t code) {
                EXPECT_TRUE(code == kOk || code == kFileError) << code;
                close("F");
                ASSERT_EQ(openFile("F", "f.arr"), 0);
                const Cells cells = get("F.Data").cells, after{10, 20, 3, 4, 50, 60};
                ASSERT_EQ(cells.size(), 6u);
                for (size_t k = 0; k < 6; ++k)
                    EXPECT_TRUE(cells[k] == double(k + 1) || cells[k] == after[k]) << k;
            });
    }
}

TEST_F(FailingDisk, TransposeLeavesNoObjectAndTheSourceAsItWas) {
    makeSource();
    for (const platform::FaultPlan& plan : kBrokenDisks) {
        walkFaults(
            plan,
            [&] {
                close("T");
                std::remove(path("t.arr").c_str());
            },
            [&] {
                return uint32_t(codeOfCall(
                    Transpose, args(chars("F"), chars("T"), chars("t.arr"), idVector({1, 0}))));
            },
            [&](uint64_t, uint32_t code) {
                EXPECT_EQ(code, uint32_t(kFileError));
                EXPECT_EQ(find("T"), nullptr);
                expectSourceIntact();
            });
    }
}

}  // namespace
}  // namespace zrt::test
