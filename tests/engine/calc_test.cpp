// Calc's arguments, its step-count rules, repeated ids, the audit stamp of "movaud" and the
// five-item "movif", the floating-point flags of "div", and faults while cells are touched.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "arrayfile/objects.h"
#include "arrayfile/walk.h"
#include "engine/calc_drivers.h"
#include "engine_fixture.h"
#include "platform/platform.h"
#include "support/test_support.h"

namespace zrt {
namespace {

using test::args;
using test::chars;
using test::doubles;
using test::Ids;
using test::Numbers;
using test::numberBuffer;
using test::numberConstant;
using test::through;
using test::whole;

class CalcTest : public test::EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        newFile("F", {{1, 2, 3}, {1, 2}}, {"AuditRec", "Src"});
        put("F.Data", Numbers{1, 2, 3, 4, 5, 6});
        put("F.Src", Numbers{10, 20, 30, 40, 50, 60});
    }
    template <class... A>
    int32_t calc(A&&... items) {
        return test::codeOfCall(Calc, args(std::forward<A>(items)...));
    }
    int32_t stampOf(const char* file) {
        NamedObject* o = nullptr;
        EXPECT_EQ(LocateObject(file, kArrayFileKind, o), kOk);
        return o ? as<ArrayFileObject>(o)->auditStamp : -1;
    }
    const Numbers original{1, 2, 3, 4, 5, 6};
};

TEST_F(CalcTest, ArgumentsStepCountsAndRefusals) {
    newMemoryArray("F.M", {{1, 2, 3}, {1, 2}});
    newMemoryArray("R", {{1, 2}});
    newMemoryItem("R.Data", 8, test::numberVector({0, 0}));
    struct Case {
        const char* name;
        ArrayPtr arg;
        int32_t code;
        Numbers want = {1, 2, 3, 4, 5, 6};  // F.Data afterwards
    };
    using test::bitBuffer;
    using test::bitConstant;
    Case cases[] = {
        {"an operator name in any case", args(chars("AddTo"), whole("F.Data"), numberConstant(1)), 0, {2, 3, 4, 5, 6, 7}},
        {"one item does nothing", args(chars("mov")), 0},
        {"two items", args(chars("mov"), whole("F.Data")), 10015},
        {"two items, the target parsed first", args(chars("mov"), whole("F.None")), 10010},
        {"a name that is not text", args(test::intScalar(3), whole("F.Data"), numberConstant(9)), 10004},
        {"an operator of neither table", args(chars("movto"), whole("F.Data"), numberConstant(9)), 10015},
        {"a three-operand name with two operands", args(chars("add"), whole("F.Data"), numberConstant(9)), 10015},
        {"five items but not movif", args(chars("add"), whole("F.Data"), numberConstant(9), bitConstant(1), numberConstant(7)), 10015},
        {"the highest item is parsed first", args(chars("add"), whole("F.Data"), whole("F.None"), doubles({5, 1})), 10004},
        {"an id the file lacks", args(chars("mov"), through("F.Data", {{4}, {1}}), numberConstant(9)), 10004},
        {"a buffer of one cell", args(chars("addto"), whole("F.Data"), numberBuffer({1})), 0, {2, 3, 4, 5, 6, 7}},
        {"one-cell a and b", args(chars("sub"), whole("F.Data"), numberBuffer({5}), through("F.Src", {{1}, {1}})), 0, Numbers(6, -5)},
        {"a source of two cells", args(chars("addto"), whole("F.Data"), numberBuffer({1, 2})), 10001},
        {"a of two cells", args(chars("add"), whole("F.Data"), numberBuffer({1, 2}), numberConstant(1)), 10001},
        {"movif condition of two cells", args(chars("movif"), whole("F.Data"), numberConstant(1), bitBuffer({1, 1})), 10001},
        {"audited stamp of two cells", args(chars("movif"), whole("F.Data"), numberConstant(1), bitConstant(1), numberBuffer({7, 7})), 10001},
        {"movaud stamp of two cells", args(chars("movaud"), whole("F.Data"), numberConstant(8), numberBuffer({5, 5})), 10001},
        {"an empty source does nothing", args(chars("mov"), whole("F.Data"), numberBuffer({})), 0},
        {"a constant into an empty selection", args(chars("mov"), through("F.Data", {{}, {1}}), numberConstant(1)), 0},
        {"movaud into a memory item under the file", args(chars("movaud"), whole("F.M.Data"), numberConstant(3), numberConstant(5)), 0},
        {"movaud with no array file above the target", args(chars("movaud"), whole("R.Data"), numberConstant(1), numberConstant(5)), 10015},
        {"movaud into a flat buffer", args(chars("movaud"), numberBuffer({0}), numberConstant(1), numberConstant(5)), 10015},
        // Accepted: what the buffer receives is dropped with it.
        {"a flat buffer target", args(chars("add"), numberBuffer({0, 0}), numberBuffer({1, 2}), numberConstant(1)), 0},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        put("F.Data", original);
        EXPECT_EQ(test::codeOfCall(Calc, std::move(c.arg)), c.code);
        EXPECT_EQ(get("F.Data"), c.want);
        EXPECT_EQ(stampOf("F"), 0);  // whatever the path, the stamp is 0 again
        EXPECT_EQ(get("F.AuditRec"), Numbers(6, 0));
    }
    EXPECT_EQ(get("R.Data"), (Numbers{0, 0}));
}

TEST_F(CalcTest, RepeatedIdsAreVisitedEachTime) {
    // Each visit reads the cell the previous one wrote.
    ASSERT_EQ(calc(chars("addto"), through("F.Data", {{2, 2, 1}, {2}}), numberConstant(10)), 0);
    EXPECT_EQ(get("F.Data"), (Numbers{1, 12, 3, 24, 5, 6}));
    newMemoryArray("M", {{1, 2, 3, 4}});
    newMemoryItem("M.Data", 8, test::numberVector(Numbers(4, 0)));
    ASSERT_EQ(calc(chars("mov"), whole("M.Data"), through("F.Src", {{3, 1, 3, 3}, {1}})), 0);
    EXPECT_EQ(get("M.Data"), (Numbers{50, 10, 50, 50}));
}

TEST_F(CalcTest, AuditedMovesStampExactlyTheChangedCellsAndResetTheStamp) {
    // 5 + 4e-14 lies within 1e-14 of 5: not a change, so not stamped.
    ASSERT_EQ(calc(chars("movaud"), whole("F.Data"), numberBuffer({1, 2, 30, 4, 5 + 4e-14, 60}), numberConstant(7.9)), 0);
    EXPECT_EQ(get("F.Data"), (Numbers{1, 2, 30, 4, 5, 60}));
    EXPECT_EQ(get("F.AuditRec"), (Numbers{0, 0, 7, 0, 0, 7}));
    EXPECT_EQ(stampOf("F"), 0);

    put("F.AuditRec", Numbers(6, 0));
    ASSERT_EQ(calc(chars("movif"), whole("F.Data"), numberBuffer({-1, -2, 30, -4, -5, -6}),
                   test::bitBuffer({1, 0, 1, 1, 0, 0}), through("F.Src", {{1}, {2}})), 0);
    EXPECT_EQ(get("F.Data"), (Numbers{-1, 2, 30, -4, 5, 60}));
    EXPECT_EQ(get("F.AuditRec"), (Numbers{20, 0, 0, 20, 0, 0}));
    EXPECT_EQ(stampOf("F"), 0);

    // Writes after the call are not stamped: the stamp is 0 again.
    put("F.Data", original);
    EXPECT_EQ(get("F.AuditRec"), (Numbers{20, 0, 0, 20, 0, 0}));
}

TEST_F(CalcTest, DivisionByZeroLeavesNoExceptionFlagBehind) {
    ASSERT_EQ(calc(chars("div"), whole("F.Data"), whole("F.Src"), numberBuffer({0, 2, 0, 1e-310, 1, 0})), 0);
    EXPECT_EQ(get("F.Data"), (Numbers{0, 10, 0, 0, 50, 0}));
    EXPECT_EQ(platform::fpStatus() & (platform::kFpDivideByZero | platform::kFpInvalid | platform::kFpOverflow), 0u);
    ASSERT_EQ(calc(chars("pow"), whole("F.Data"), numberConstant(-8), numberConstant(0.5)), 0);
    EXPECT_EQ(get("F.Data"), Numbers(6, 0));
    EXPECT_EQ(platform::fpStatus() & platform::kFpInvalid, 0u);
}

// ---- faults while cells are touched

// Shortens an array file to size bytes through a descriptor of its own, once another file's
// 8 bytes at offset are no longer zero (the Calc has begun writing there).
ZRT_CHILD_ROLE(ShortenOnceWritten) {
    platform::File watched, victim;
    using namespace platform;
    if (File::open(args.at(0), kReadWrite, kShareReadWrite, Disposition::OpenExisting, watched) ||
        File::open(args.at(2), kReadWrite, kShareReadWrite, Disposition::OpenExisting, victim))
        return 1;
    test::writeFile(args.at(4), "ready");
    uint64_t offset = std::stoull(args.at(1));
    for (int spins = 0; spins < 20000000; ++spins) {
        double cell = 0;
        uint32_t got = 0;
        if (watched.readAt(offset, &cell, 8, got) || got != 8) return 2;
        if (cell != 0) {
            if (victim.seek(std::stoll(args.at(3)), Whence::Begin) || victim.setEnd()) return 3;
            return 0;
        }
    }
    return 4;
}

class CalcFaults : public test::EngineTest {
protected:
    ArrayFileObject* file(const char* name) {
        NamedObject* o = nullptr;
        EXPECT_EQ(LocateObject(name, kArrayFileKind, o), kOk);
        return as<ArrayFileObject>(o);
    }
    uint32_t dataOffset(const char* name) { return file(name)->header->itemDataOffset(0); }
};

// Another process shortens the source file while a long Calc runs: the loop ends with 10039,
// the target cells before the fault keep their new values and the library goes on working.
TEST_F(CalcFaults, SourceShortenedByAnotherProcessDuringALongCalc) {
    constexpr int32_t kRows = 1000, kColumns = 4000;  // 4 million cells
    Ids rows(kRows), columns(kColumns);
    for (int32_t k = 0; k < kRows; ++k) rows[k] = k + 1;
    for (int32_t k = 0; k < kColumns; ++k) columns[k] = k + 1;
    for (int attempt = 0; attempt < 5; ++attempt) {
        SCOPED_TRACE(attempt);
        newFile("S", {rows, columns});
        newFile("T", {rows, columns});
        std::string ready = path("ready" + std::to_string(attempt));
        test::ChildProcess child = test::ChildProcess::start(
            "ShortenOnceWritten", {path("T.arr"), std::to_string(dataOffset("T")), path("S.arr"),
                                   std::to_string(dataOffset("S") + 8), ready});
        ASSERT_TRUE(test::waitForFile(ready));
        int32_t code = test::codeOfCall(Calc, args(chars("add"), whole("T.Data"), whole("S.Data"), numberConstant(7)));
        ASSERT_EQ(child.wait(), 0);
        if (code == 0) {  // the whole loop ran before the file was shortened: again
            ASSERT_EQ(test::codeOfCall(Close, args(chars("S"))), 0);
            ASSERT_EQ(test::codeOfCall(Close, args(chars("T"))), 0);
            continue;
        }
        EXPECT_EQ(code, 10039);
        Numbers cells = get("T.Data");
        size_t written = std::find(cells.begin(), cells.end(), 0.0) - cells.begin();
        EXPECT_GT(written, 0u);
        EXPECT_LT(written, cells.size());
        EXPECT_EQ(std::count(cells.begin(), cells.end(), 7.0), written);  // then zeros only
        EXPECT_EQ(test::codeOfCall(Calc, args(chars("mov"), through("T.Data", {{1}, {1}}), numberConstant(2))), 0);
        return;
    }
    GTEST_SKIP() << "every Calc ended before the other process shortened the file";
}

// The same within one process, at a cell chosen in advance: the source's read routine shortens
// the target's file to its first 500 cells when it reaches cell 1000 of 40000.
std::string gVictim;
uint64_t gVictimSize = 0;
void shortenAtCell1000(uint8_t* data, uint32_t cell, uint8_t* value, AccessBlock* access) {
    if (cell == 1000) {
        platform::File f;
        if (platform::File::open(gVictim, platform::kReadWrite, platform::kShareReadWrite,
                                 platform::Disposition::OpenExisting, f) == platform::kOk &&
            f.seek(int64_t(gVictimSize), platform::Whence::Begin) == platform::kOk)
            f.setEnd();
    }
    GetDoubleCell(data, cell, value, access);
}

TEST_F(CalcFaults, TargetShortenedAtAKnownCell) {
    Ids ids(40000);
    for (int32_t k = 0; k < 40000; ++k) ids[k] = k + 1;
    newFile("T", {ids}, {"AuditRec"});
    gVictim = path("T.arr");
    NamedObject* item = nullptr;
    ASSERT_EQ(LocateObject("T.Data", kItemKind, item), kOk);
    std::vector<double> ones(ids.size(), 1.0);
    for (bool audited : {false, true}) {
        SCOPED_TRACE(audited);
        Operand target, source, stamp;
        ASSERT_EQ(OperandOfItem(*as<ItemObject>(item), nullptr, 1, target), kOk);
        ASSERT_EQ(OperandOfBuffer(8, reinterpret_cast<uint8_t*>(ones.data()), 40000, 0, source), kOk);
        ASSERT_EQ(OperandOfConstant(8, 5, stamp), kOk);
        source.get = shortenAtCell1000;
        uint32_t offset = dataOffset("T");
        gVictimSize = offset + 500 * 8;
        Code code = audited ? RunThreeOperand(target, source, stamp, MovAud)
                            : RunTwoOperand(target, source, AddTo);
        EXPECT_EQ(code, 10039u);
        EXPECT_FALSE(target.walking);
        EXPECT_EQ(file("T")->auditStamp, 0);
        // What the file still holds was written before the fault.
        std::string bytes = test::readFile(gVictim);
        ASSERT_EQ(bytes.size(), gVictimSize);
        for (uint32_t k = 0; k < 500; ++k) {
            double cell = 0;
            std::memcpy(&cell, bytes.data() + offset + 8 * k, 8);
            ASSERT_EQ(cell, 1.0) << k;
        }
        ASSERT_EQ(test::codeOfCall(Close, args(chars("T"))), 0);
        newFile("T", {ids}, {"AuditRec"});
        ASSERT_EQ(LocateObject("T.Data", kItemKind, item), kOk);
    }
}

}  // namespace
}  // namespace zrt
