// Cells of file items written only where they change, stamped, as bits, and refused once the
// file is shorter than its header says.
#include "arrayfile/access_block.h"

#include <gtest/gtest.h>

#include <cmath>

#include "arrayfile/copy.h"
#include "arrayfile/item_flags.h"
#include "arrayfile/walk.h"
#include "fixture.h"

namespace zrt::test {
namespace {

// Shortens an array file through a descriptor of its own, as another holder would.
ZRT_CHILD_ROLE(ShortenFile) {
    platform::File f;
    if (platform::File::open(args.at(0), platform::kReadWrite, platform::kShareReadWrite,
                             platform::Disposition::OpenExisting, f) != platform::kOk)
        return 1;
    if (f.seek(std::stoll(args.at(1)), platform::Whence::Begin) != platform::kOk) return 2;
    return f.setEnd() == platform::kOk ? 0 : 3;
}

using AccessBlockTest = ArrayFiles;

ArrayFileObject* fileObject(const char* name) { return findAs<ArrayFileObject>(name, kArrayFileKind); }

TEST_F(AccessBlockTest, BitCellsOfAFileItem) {
    {
        ArrayFileObject file;
        writeThroughLayer(file, path("b.arr"), {oneTo(33)}, {{"Flags", kInFile | kBitCells}});
    }
    ASSERT_EQ(openFile("B", "b.arr"), 0);
    const std::initializer_list<int> bits = {1, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                             0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    ASSERT_EQ(put("B.Flags", bools(bits)), 0);
    EXPECT_EQ(put("B.Flags", doubles({1})), int32_t(kBadType));
    std::string bytes = readFile(path("b.arr"));
    uint32_t data = fileObject("B")->header->itemDataOffset(0);
    ASSERT_EQ(bytes.size(), data + 5u);
    EXPECT_EQ(uint8_t(bytes[data]), 0x81);
    EXPECT_EQ(uint8_t(bytes[data + 4]), 0x80);  // cell 32: the top bit of byte 4
    Values v = get("B.Flags");
    EXPECT_EQ(v.type, kBool);
    EXPECT_EQ(v.cells, Cells(bits.begin(), bits.end()));
}

TEST_F(AccessBlockTest, FileShortenedAfterOpeningIsRefused) {
    ASSERT_EQ(newFile("F", "f.arr", {{1, 2, 3}}), 0);
    std::string bytes = readFile(path("f.arr"));
    writeFile(path("f.arr"), bytes.substr(0, bytes.size() - 1));  // one byte short
    EXPECT_EQ(get("F.Data").code, int32_t(kFileError));
    EXPECT_EQ(put("F.Data", doubles({1, 2, 3})), int32_t(kFileError));
    std::remove(path("f.arr").c_str());
    EXPECT_EQ(get("F.Data").code, int32_t(kFileError));
}

TEST_F(AccessBlockTest, FileShortenedByAnotherProcessDuringAWalk) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows refuses to cut a file while a view of it exists (1224)";
#endif
    const Ids ids = oneTo(40000);  // 320000 bytes of data: many pages
    std::vector<double> buffer(ids.size());
    for (bool writing : {false, true}) {
        SCOPED_TRACE(writing);
        ASSERT_EQ(newFile("F", "f.arr", {ids}), 0);
        Operand cells, flat;
        ASSERT_EQ(OperandOfItem(*findAs<ItemObject>("F.Data", kItemKind), nullptr, writing, cells), kOk);
        ASSERT_EQ(OperandOfBuffer(kDoubleCellType, reinterpret_cast<uint8_t*>(buffer.data()),
                                  cells.count, !writing, flat), kOk);
        uint32_t steps = 0;
        ASSERT_EQ(BeginWalk(cells, steps), kOk);  // the whole file is mapped now
        std::string size = std::to_string(fileObject("F")->header->itemDataOffset(0) + 8);
        ChildProcess child = ChildProcess::start("ShortenFile", {path("f.arr"), size});
        ASSERT_EQ(child.wait(), 0);
        EXPECT_EQ(writing ? CopyLoop(cells, flat) : CopyLoop(flat, cells), kFileError);
        EndWalk(cells);
        DisposeOperand(cells);
        ASSERT_EQ(close("F"), 0);
    }
}

}  // namespace
}  // namespace zrt::test
