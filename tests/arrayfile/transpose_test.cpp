// Transpose: a new array file with the dimensions in another order, every file item carried
// over cell for cell, the records copied, and a new array file object that is that file.
#include <gtest/gtest.h>

#include <algorithm>

#include "arrayfile/objects.h"
#include "fixture.h"
#include "platform/platform.h"

namespace zrt::test {
namespace {

// Ids out of order and not counted from 1: only positions matter to a transpose.
const std::vector<Ids> kDims = {{2, 1}, {7, 5, 6}, {40, 10, 30, 20}};
const char* const kItems[] = {"Data", "AuditRec", "Extra"};

class TransposeFile : public ArrayFiles {
protected:
    void SetUp() override {
        ArrayFiles::SetUp();
        ASSERT_EQ(newFile("F", "f.arr", kDims, {"AuditRec", "Extra"}), 0);
        for (uint32_t j = 0; j < 3; ++j) {
            uint32_t n = 24;
            ArrayPtr values(AllocArray(kDouble, 1, &n));
            for (uint32_t k = 0; k < n; ++k) setDoubleAt(dataOf(values.get()), k, 100.0 * j + k * 1.25 - 7);
            ASSERT_EQ(put(std::string("F.") + kItems[j], std::move(values)), 0);
        }
        source_ = readFile(path("f.arr"));
    }
    int32_t transpose(ArrayPtr arg) { return codeOfCall(Transpose, std::move(arg)); }
    int32_t transpose(const std::string& file, ArrayPtr order) {
        return transpose(args(chars("F"), chars("T"), chars(file), std::move(order)));
    }
    std::string source_;
};

// The source's values (sizes 2 3 4) moved to the target's cells, computed directly: target
// dimension order[i] is source dimension i.
Cells transposed(const Cells& source, const std::vector<int32_t>& order) {
    const uint32_t size[3] = {2, 3, 4};
    uint32_t t[3], tsize[3];
    for (int i = 0; i < 3; ++i) tsize[order[i]] = size[i];
    Cells out(source.size());
    for (uint32_t p0 = 0; p0 < 2; ++p0)
        for (uint32_t p1 = 0; p1 < 3; ++p1)
            for (uint32_t p2 = 0; p2 < 4; ++p2) {
                t[order[0]] = p0, t[order[1]] = p1, t[order[2]] = p2;
                out[(t[0] * tsize[1] + t[1]) * tsize[2] + t[2]] = source[(p0 * 3 + p1) * 4 + p2];
            }
    return out;
}

TEST_F(TransposeFile, EveryPermutationOfThreeAxes) {
    const uint32_t sizes[] = {2, 3, 4}, header = 8 + 8 * (3 + 3);
    std::vector<Cells> source;
    for (const char* item : kItems) source.push_back(get(std::string("F.") + item).cells);
    const std::string& s = source_;
    writeFile(path("t.arr"), std::string(5000, 'x'));  // replaced, not overwritten

    std::vector<int32_t> order = {0, 1, 2};
    do {
        SCOPED_TRACE(testing::PrintToString(order));
        ASSERT_EQ(transpose("t.arr", idVector(order)), 0);
        std::vector<uint32_t> from(3);  // target dimension v is source dimension from[v]
        for (uint32_t i = 0; i < 3; ++i) from[order[i]] = i;
        std::vector<uint32_t> shape = {sizes[from[0]], sizes[from[1]], sizes[from[2]]};
        for (uint32_t j = 0; j < 3; ++j) {
            Values v = get(std::string("T.") + kItems[j]);
            EXPECT_EQ(v.shape, shape) << kItems[j];
            EXPECT_EQ(v.cells, transposed(source[j], order)) << kItems[j];
        }

        // On disk: the same header size and records, dimensions in target order.
        std::string t = readFile(path("t.arr"));
        ASSERT_EQ(t.size(), s.size());
        if (std::is_sorted(order.begin(), order.end())) {
            EXPECT_EQ(t, s);  // the identity: a copy
        }
        EXPECT_EQ(t.substr(0, 8), s.substr(0, 8));
        EXPECT_EQ(t.substr(header, 47), s.substr(header, 47));  // the file record
        for (uint32_t v = 0; v < 3; ++v) {
            EXPECT_EQ(t.substr(word(t, 8 + 4 * v), 47), s.substr(word(s, 8 + 4 * from[v]), 47));
            uint32_t list = word(t, 8 + 12 + 4 * v);
            ASSERT_EQ(word(t, list), sizes[from[v]]);
            for (uint32_t p = 0; p < sizes[from[v]]; ++p)
                EXPECT_EQ(int32_t(word(t, list + 4 + 4 * p)), kDims[from[v]][p]);
        }
        for (uint32_t j = 0; j < 3; ++j) {
            uint32_t at = word(t, 8 + 24 + 4 * j), was = word(s, 8 + 24 + 4 * j);
            EXPECT_EQ(t.substr(at, word(t, at)), s.substr(was, word(s, was)));
            EXPECT_EQ(word(t, 8 + 36 + 4 * j), word(s, 8 + 36 + 4 * j));  // data offsets
        }
        ASSERT_EQ(close("T"), 0);
    } while (std::next_permutation(order.begin(), order.end()));
    EXPECT_EQ(readFile(path("f.arr")), s);  // the source is only read
}

// The source itself by other spellings of its path, a file someone else holds open, a missing
// directory, bad arguments: no object is left and no file emptied.
TEST_F(TransposeFile, FailuresLeaveNoObjectAndEmptyNoFile) {
    writeFile(path("busy.arr"), "in use");
    platform::File held;
    ASSERT_EQ(platform::File::open(path("busy.arr"), platform::kReadWrite, platform::kShareReadWrite,
                                   platform::Disposition::OpenExisting, held),
              platform::kOk);
    const std::pair<std::string, int32_t> targets[] = {
        {"./f.arr", kFileError}, {path("f.arr"), kFileError}, {"busy.arr", kFileError},
        {"nowhere/t.arr", kFileError}, {"t.arr", kRange}};  // the order (1 0 3)
    for (const auto& [target, code] : targets) {
        SCOPED_TRACE(target);
        EXPECT_EQ(transpose(target, idVector({1, 0, code == kRange ? 3 : 2})), code);
        EXPECT_EQ(find("T"), nullptr);
        EXPECT_EQ(readFile(path("f.arr")), source_);
    }
    EXPECT_EQ(transpose(args(chars("F"), chars("F.T"), chars("t.arr"), idVector({0, 1, 2}))), int32_t(kBadParent));
    EXPECT_EQ(transpose(args(chars("F.Data"), chars("T"), chars("t.arr"), idVector({0, 1, 2}))), int32_t(kWrongKind));
    EXPECT_EQ(readFile(path("busy.arr")), "in use");
    ASSERT_EQ(platform::deleteFile(path("f.arr")), platform::kOk);
    EXPECT_EQ(transpose("t.arr", idVector({1, 0, 2})), int32_t(kFileError));
    EXPECT_EQ(find("T"), nullptr);
    EXPECT_FALSE(exists(path("t.arr")));
}

TEST_F(TransposeFile, RankOneAndRankZero) {
    ASSERT_EQ(newFile("V", "v.arr", {{4, 8, 9}}), 0);
    ASSERT_EQ(put("V.Data", doubles({1, 2, 3})), 0);
    EXPECT_EQ(transpose(args(chars("V"), chars("W"), chars("w.arr"), intScalar(0))), 0);
    EXPECT_EQ(get("W.Data").cells, (Cells{1, 2, 3}));
    EXPECT_EQ(transpose(args(chars("V"), chars("X"), chars("x.arr"), intScalar(1))), int32_t(kRange));

    std::string scalar(8 + 47, '\0');  // no dimensions, no items: the header and the file record
    scalar[8] = 47;
    writeFile(path("s.arr"), scalar);
    ASSERT_EQ(openFile("S", "s.arr"), 0);
    EXPECT_EQ(find("S")->children.size(), 0u);
    EXPECT_EQ(transpose(args(chars("S"), chars("Z"), chars("z.arr"), idVector({}))), 0);
    EXPECT_EQ(readFile(path("z.arr")), scalar);
}

}  // namespace
}  // namespace zrt::test
