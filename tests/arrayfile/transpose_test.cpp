// Transpose: a new array file with the dimensions in another order, every file item carried
// over cell for cell, the records copied, and a new array file object that is that file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "arrayfile/file_format.h"
#include "arrayfile/objects.h"
#include "fixture.h"
#include "frame/log.h"
#include "platform/platform.h"

namespace zrt {
namespace {

using test::args;
using test::chars;
using test::Ids;
using test::intScalar;
using Cells = std::vector<double>;

// Ids out of order and not counted from 1: only positions matter to a transpose.
const std::vector<Ids> kDims = {{2, 1}, {7, 5, 6}, {40, 10, 30, 20}};
const char* const kItems[] = {"Data", "AuditRec", "Extra"};

uint32_t word(const std::string& bytes, uint64_t at) {
    return LoadLE32(reinterpret_cast<const uint8_t*>(bytes.data()) + at);
}

class TransposeFile : public test::ArrayFiles {
protected:
    void SetUp() override {
        ArrayFiles::SetUp();
        ASSERT_EQ(newFile("F", "f.arr", kDims, {"AuditRec", "Extra"}), 0);
        for (uint32_t j = 0; j < 3; ++j) {
            uint32_t n = 24;
            ArrayPtr values(AllocArray(kDouble, 1, &n));
            for (uint32_t k = 0; k < n; ++k)
                setDoubleAt(dataOf(values.get()), k, 100.0 * j + k * 1.25 - 7);
            ASSERT_EQ(put(std::string("F.") + kItems[j], std::move(values)), 0);
        }
    }

    int32_t transpose(ArrayPtr arg) { return test::codeOfCall(Transpose, std::move(arg)); }
    int32_t transpose(const std::string& name, const std::string& file, ArrayPtr order) {
        return transpose(args(chars("F"), chars(name), chars(file), std::move(order)));
    }
    bool registered(const char* name) {
        NamedObject* o;
        return LocateObject(name, kAnyKind, o) == kOk;
    }
};

// The source's values moved to the target's cells, computed directly: target dimension
// order[i] is source dimension i, so target position t reads source position p with
// p[i] = t[order[i]].
Cells transposed(const Cells& source, const std::vector<uint32_t>& sourceSizes,
                 const std::vector<int32_t>& order) {
    uint32_t rank = static_cast<uint32_t>(sourceSizes.size());
    std::vector<uint32_t> targetSizes(rank);
    for (uint32_t i = 0; i < rank; ++i) targetSizes[order[i]] = sourceSizes[i];
    Cells out;
    std::vector<uint32_t> t(rank, 0);
    for (size_t k = 0; k < source.size(); ++k) {
        uint64_t cell = 0;
        for (uint32_t i = 0; i < rank; ++i) cell = cell * sourceSizes[i] + t[order[i]];
        out.push_back(source[cell]);
        for (uint32_t d = rank; d-- > 0;) {
            if (++t[d] < targetSizes[d]) break;
            t[d] = 0;
        }
    }
    return out;
}

TEST_F(TransposeFile, EveryPermutationOfThreeAxes) {
    std::vector<uint32_t> sizes = {2, 3, 4};
    std::vector<Cells> source;
    for (const char* item : kItems) source.push_back(get(std::string("F.") + item).cells);
    std::string s = test::readFile(path("f.arr"));
    const uint32_t header = 8 + 8 * (3 + 3);
    test::writeFile(path("t.arr"), std::string(5000, 'x'));  // replaced, not overwritten

    std::vector<int32_t> order = {0, 1, 2};
    do {
        std::string trace;
        for (int32_t v : order) trace += std::to_string(v) + " ";
        SCOPED_TRACE("order " + trace);
        ASSERT_EQ(transpose("T", "t.arr", test::idVector(order)), 0);
        std::vector<uint32_t> from(3);  // target dimension v is source dimension from[v]
        for (uint32_t i = 0; i < 3; ++i) from[order[i]] = i;
        std::vector<uint32_t> shape = {sizes[from[0]], sizes[from[1]], sizes[from[2]]};
        for (uint32_t j = 0; j < 3; ++j) {
            test::Values v = get(std::string("T.") + kItems[j]);
            EXPECT_EQ(v.shape, shape) << kItems[j];
            EXPECT_EQ(v.cells, transposed(source[j], sizes, order)) << kItems[j];
        }

        // On disk: the same header size and records, dimensions in target order.
        std::string t = test::readFile(path("t.arr"));
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

        // The new file opens again and holds what the new object shows.
        ASSERT_EQ(close("T"), 0);
        ASSERT_EQ(openFile("T", "t.arr"), 0);
        for (uint32_t j = 0; j < 3; ++j)
            EXPECT_EQ(get(std::string("T.") + kItems[j]).cells,
                      transposed(source[j], sizes, order));
        ASSERT_EQ(close("T"), 0);
    } while (std::next_permutation(order.begin(), order.end()));
    EXPECT_EQ(test::readFile(path("f.arr")), s);  // the source is only read
}

TEST_F(TransposeFile, TheNewObjectIsAnArrayFileOfItsOwn) {
    ASSERT_EQ(newMemoryArray("F.Q", args(chars("all"), intScalar(5), chars("all"))), 0);
    ASSERT_EQ(transpose("T", "t.arr", test::idVector({1, 2, 0})), 0);
    NamedObject* o;
    ASSERT_EQ(LocateObject("T", kArrayFileKind, o), kOk);
    EXPECT_EQ(as<ArrayFileObject>(o)->path, "t.arr");
    EXPECT_EQ(o->children.size(), 3u);  // the file items only, not the memory array

    // Cells are addressed by id as in any array file, and writing the copy leaves the source.
    Cells before = get("F.Data").cells;
    auto cell = [] { return args(intScalar(30), intScalar(1), intScalar(6)); };
    ASSERT_EQ(put("T.Data", test::doubles({99}), cell()), 0);
    EXPECT_EQ(get("T.Data", cell()).cells, (Cells{99}));
    EXPECT_EQ(get("F.Data").cells, before);
}

TEST_F(TransposeFile, BadArgumentsCreateNeitherObjectNorFile) {
    std::string source = test::readFile(path("f.arr"));
    auto order = [](ArrayPtr o) {
        return args(chars("F"), chars("T"), chars("t.arr"), std::move(o));
    };
    auto names = [](ArrayPtr source, ArrayPtr name) {
        return args(std::move(source), std::move(name), chars("t.arr"), test::idVector({0, 1, 2}));
    };
    struct Case {
        const char* name;
        ArrayPtr arg;
        Code code;
    } cases[] = {
        {"order beyond the rank", order(test::idVector({0, 1, 3})), kRange},
        {"order too long", order(test::idVector({0, 1, 2, 3})), kRange},
        {"order not whole", order(test::doubles({0, 1.5, 2})), kRange},
        {"no order", args(chars("F"), chars("T"), chars("t.arr")), kRange},
        {"a path that is a number",
         args(chars("F"), chars("T"), intScalar(4), test::idVector({0, 1, 2})), kBadType},
        {"no new name", args(chars("F")), kBadType},
        {"the source's own name", names(chars("F"), chars("F")), kExists},
        {"new name malformed", names(chars("F"), chars("T-2")), kBadName},
        {"new name under a file", names(chars("F"), chars("F.T")), kBadParent},
        {"source not a file", names(chars("F.Data"), chars("T")), kWrongKind},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(transpose(std::move(c.arg)), int32_t(c.code));
        EXPECT_FALSE(registered("T"));
        EXPECT_FALSE(registered("F.T"));
        EXPECT_FALSE(test::exists(path("t.arr")));
    }
    EXPECT_EQ(get("F.Data").shape, (std::vector<uint32_t>{2, 3, 4}));
    EXPECT_EQ(test::readFile(path("f.arr")), source);
}

TEST_F(TransposeFile, AFileInUseIsNeverEmptied) {
    std::string source = test::readFile(path("f.arr"));
    // The source itself, by its own path and by another spelling of it.
    for (const std::string& target :
         {std::string("f.arr"), std::string("./f.arr"), path("f.arr")}) {
        SCOPED_TRACE(target);
        EXPECT_EQ(transpose("T", target, test::idVector({1, 0, 2})), int32_t(kFileError));
        EXPECT_FALSE(registered("T"));
        EXPECT_EQ(test::readFile(path("f.arr")), source);
    }
    EXPECT_EQ(get("F.Data").cells.size(), 24u);

    // A file someone else holds open.
    test::writeFile(path("busy.arr"), "in use");
    using namespace platform;
    File held;
    ASSERT_EQ(File::open(path("busy.arr"), kReadWrite, kShareReadWrite,
                         Disposition::OpenExisting, held),
              kOk);
    EXPECT_EQ(transpose("T", "busy.arr", test::idVector({1, 0, 2})), int32_t(kFileError));
    EXPECT_EQ(test::readFile(path("busy.arr")), "in use");
}

TEST_F(TransposeFile, DiskFailuresAreLoggedAndLeaveNoObject) {
    SetDebugMask(0x00040003);
    EXPECT_EQ(transpose("T", "nowhere/t.arr", test::idVector({1, 0, 2})), int32_t(kFileError));
    ASSERT_EQ(platform::deleteFile(path("f.arr")), platform::kOk);
    EXPECT_EQ(transpose("T", "t.arr", test::idVector({1, 0, 2})), int32_t(kFileError));
    SetDebugMask(0);
    EXPECT_FALSE(registered("T"));
    EXPECT_FALSE(test::exists(path("t.arr")));
    std::string log = test::readFile(path("aplsrv.log"));
    EXPECT_NE(log.find("ActTransposeFile: CreateFile res 3 name nowhere/t.arr"), std::string::npos);
    EXPECT_NE(log.find("ActTransposeFile: CreateFile res 2 name f.arr"), std::string::npos);
}

TEST_F(TransposeFile, RankOneAndRankZero) {
    ASSERT_EQ(newFile("V", "v.arr", {{4, 8, 9}}), 0);
    ASSERT_EQ(put("V.Data", test::doubles({1, 2, 3})), 0);
    EXPECT_EQ(transpose(args(chars("V"), chars("W"), chars("w.arr"), intScalar(0))), 0);
    EXPECT_EQ(get("W.Data").cells, (Cells{1, 2, 3}));
    EXPECT_EQ(transpose(args(chars("V"), chars("X"), chars("x.arr"), intScalar(1))),
              int32_t(kRange));

    std::string scalar(8 + 47, '\0');  // no dimensions, no items: the header and the file record
    scalar[8] = 47;
    test::writeFile(path("s.arr"), scalar);
    ASSERT_EQ(openFile("S", "s.arr"), 0);
    EXPECT_EQ(transpose(args(chars("S"), chars("Z"), chars("z.arr"), test::idVector({}))), 0);
    EXPECT_EQ(test::readFile(path("z.arr")), test::readFile(path("s.arr")));
}

}  // namespace
}  // namespace zrt
