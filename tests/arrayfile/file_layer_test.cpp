#include "arrayfile/file_layer.h"

#include <gtest/gtest.h>

#include <cstring>

#include "arrayfile/item_flags.h"
#include "arrayfile/objects.h"
#include "fixture.h"
#include "frame/log.h"

namespace zrt {
namespace {

using test::Ids;

// File bytes written out field by field, as the layout gives them.
struct Bytes {
    std::string s;
    Bytes& u32(uint32_t v) {
        for (int k = 0; k < 4; ++k) s.push_back(char((v >> (8 * k)) & 0xFF));
        return *this;
    }
    Bytes& text(const std::string& t, size_t width) {
        s += t;
        s.append(width - t.size(), '\0');
        return *this;
    }
    Bytes& zeros(size_t n) { return text("", n); }
    Bytes& nld(const std::string& name, uint32_t a, uint32_t b) {
        return u32(47).u32(a).u32(b).text(name, 32).zeros(3);
    }
};

// Two dimensions of sizes 2 and 3, the single item "Data" of double cells.
std::string smallFile() {
    Bytes b;
    b.u32(2).u32(1).u32(79).u32(126).u32(173).u32(185).u32(201).u32(221);
    b.nld("Sales", 1, 2).nld("Dim0", 0, 7).nld("Dim1", 1, 7);
    b.u32(2).u32(1).u32(2).u32(3).u32(1).u32(2).u32(3);
    b.u32(20).u32(0).u32(0x80000008).text("Data", 5).zeros(3);
    b.zeros(48);
    return b.s;
}

using ArrayFileLayout = test::ArrayFiles;

TEST_F(ArrayFileLayout, SmallFileIsByteForByteTheLayout) {
    ASSERT_EQ(newFile("Sales", "sales.arr", {{1, 2}, {1, 2, 3}}), 0);
    std::string bytes = test::readFile(path("sales.arr"));
    ASSERT_EQ(bytes.size(), 269u);
    EXPECT_EQ(bytes, smallFile());
}

TEST_F(ArrayFileLayout, OpensTheLayoutWrittenByAnyBuild) {
    test::writeFile(path("golden.arr"), smallFile());
    ASSERT_EQ(openFile("Golden", "golden.arr"), 0);
    NamedObject* o;
    ASSERT_EQ(LocateObject("Golden", kArrayFileKind, o), kOk);
    auto* file = as<ArrayFileObject>(o);
    ASSERT_EQ(file->structure.rank(), 2u);
    EXPECT_EQ(file->structure.dims[1].ids, (Ids{1, 2, 3}));
    EXPECT_EQ(file->structure.dims[0].mode, kAll);
    EXPECT_FALSE(file->structure.dims[1].lookup.empty());  // slack 100 for opened files
    ItemObject* data = ChildItemNamed(file, "Data");
    ASSERT_TRUE(data);
    EXPECT_EQ(data->itemIndex, 0);
    EXPECT_EQ(data->flags, 0x80000008u);
    ASSERT_EQ(put("Golden.Data", test::doubles({1, 2, 3, 4, 5, 6.5})), 0);
    std::string bytes = test::readFile(path("golden.arr"));
    double last;
    std::memcpy(&last, bytes.data() + 221 + 40, 8);
    EXPECT_EQ(last, 6.5);
    EXPECT_EQ(bytes.substr(0, 221), smallFile().substr(0, 221));
}

TEST_F(ArrayFileLayout, EmptyFileHasRankZeroAndOneCell) {
    Bytes b;
    b.u32(0).u32(0).nld("Nothing", 0, 0);
    test::writeFile(path("empty.arr"), b.s);
    ASSERT_EQ(openFile("E", "empty.arr"), 0);
    NamedObject* o;
    ASSERT_EQ(LocateObject("E", kArrayFileKind, o), kOk);
    EXPECT_EQ(as<ArrayFileObject>(o)->structure.rank(), 0u);
    EXPECT_EQ(as<ArrayFileObject>(o)->structure.cells, 1u);
    EXPECT_TRUE(o->children.empty());
}

TEST_F(ArrayFileLayout, EmptyDimensionGivesNoData) {
    ASSERT_EQ(newFile("F", "f.arr", {{1, 2}, {}}, {"AuditRec"}), 0);
    std::string bytes = test::readFile(path("f.arr"));
    uint32_t data0, data1;
    std::memcpy(&data0, bytes.data() + 8 + 4 * 6, 4);
    std::memcpy(&data1, bytes.data() + 8 + 4 * 7, 4);
    EXPECT_EQ(data0, bytes.size());
    EXPECT_EQ(data1, bytes.size());
}

TEST_F(ArrayFileLayout, ItemsOfEveryKindGetTheirDataSizes) {
    ArrayFileObject file;
    ArrayPtr sel = test::selection({{1, 2, 3}, {1, 2, 3}});
    ASSERT_EQ(BuildFromSelection(sel.get(), nullptr, file.structure, 0, false), kOk);
    MakeItem(&file, "Bits", kInFile | kBitCells);    // 9 cells: 2 bytes
    MakeItem(&file, "None", kInFile);                 // no cells: no data
    MakeItem(&file, "Both", kInFile | kCellKindMask);
    MakeItem(&file, "Data", kInFile | kDoubleCells);  // 72 bytes
    FilePlan plan;
    ASSERT_EQ(PlanFileCreate(file, test::fileDescriptor().get(), test::dimDescriptors(2).get(), plan), kOk);
    ASSERT_EQ(platform::File::open(path("k.arr"), platform::kReadWrite, platform::kShareReadWrite,
                                   platform::Disposition::CreateAlways, file.file), platform::kOk);
    ASSERT_EQ(FileCreate(file, plan), kOk);
    file.file.close();
    const HeaderBlock& h = *file.header;
    EXPECT_EQ(h.itemDataOffset(1), h.itemDataOffset(0) + 2);
    EXPECT_EQ(h.itemDataOffset(2), h.itemDataOffset(1));
    EXPECT_EQ(h.itemDataOffset(3), h.itemDataOffset(2));
    EXPECT_EQ(test::readFile(path("k.arr")).size(), h.itemDataOffset(3) + 72u);
    EXPECT_EQ(as<ItemObject>(file.children[3].get())->itemIndex, 3);

    ArrayFileObject reread;
    ASSERT_EQ(platform::File::open(path("k.arr"), platform::kReadWrite, platform::kShareReadWrite,
                                   platform::Disposition::OpenExisting, reread.file), platform::kOk);
    ASSERT_EQ(FileOpen(reread), kOk);
    ASSERT_EQ(reread.children.size(), 4u);
    EXPECT_EQ(as<ItemObject>(reread.children[0].get())->flags, kInFile | kBitCells);
    EXPECT_EQ(reread.children[2]->name, "Both");
}

TEST_F(ArrayFileLayout, LongNamesAreRefusedBeforeTheDiskIsTouched) {
    test::writeFile(path("keep.arr"), "precious");
    auto create = [&](size_t length) {
        return test::codeOfCall(New, test::args(test::chars("A"), test::intScalar(2), test::intScalar(0),
                                                test::chars("keep.arr"), test::selection({{1}}),
                                                test::fileDescriptor(std::string(length, 'N')),
                                                test::dimDescriptors(1)));
    };
    EXPECT_EQ(create(32), int32_t(kRange));
    EXPECT_EQ(test::readFile(path("keep.arr")), "precious");
    EXPECT_EQ(create(31), 0);
    EXPECT_EQ(test::readFile(path("keep.arr")).substr(24 + 12, 31), std::string(31, 'N'));  // nD 1, nI 1
}

TEST_F(ArrayFileLayout, DamagedFilesAreRefused) {
    struct Case {
        const char* name;
        size_t at;      // where to write
        uint32_t value;
        size_t cut;     // or: keep only this many bytes (0: keep all)
    };
    const Case cases[] = {
        {"header larger than the file", 0, 0x40000000, 0},
        {"item count beyond the file", 4, 100, 0},
        {"list offset beyond the file", 16, 1000, 0},
        {"list size beyond the file", 185, 0x10000000, 0},
        {"record offset beyond the file", 24, 5000, 0},
        {"record length below 16", 201, 15, 0},
        {"record length above 200", 201, 201, 0},
        {"data offset beyond the file", 28, 300, 0},
        {"data reaching past the end", 28, 230, 0},
        {"Data item without cells", 209, 0x80000000, 0},
        {"Data item of both kinds", 209, 0x80000009, 0},
        {"file shorter than its data", 0, 2, 260},
        {"file cut inside the header", 0, 2, 20},
        {"file of four bytes", 0, 2, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string bytes = smallFile();
        Bytes v;
        v.u32(c.value);
        bytes.replace(c.at, 4, v.s);
        if (c.cut) bytes.resize(c.cut);
        test::writeFile(path("bad.arr"), bytes);
        EXPECT_EQ(openFile("Bad", "bad.arr"), int32_t(kFileError));
        NamedObject* o;
        EXPECT_EQ(LocateObject("Bad", kAnyKind, o), kNotFound);
    }
}

TEST_F(ArrayFileLayout, FailedWritesAreLoggedAndTheFileRemoved) {
    // A path in a directory that does not exist: the disk file cannot be created.
    SetDebugMask(0x00040003);
    EXPECT_EQ(newFile("A", "nowhere/a.arr", {{1}}), int32_t(kFileError));
    SetDebugMask(0);
    std::string log = test::readFile(path("aplsrv.log"));
    EXPECT_NE(log.find("ActCreateFile: CreateFile res "), std::string::npos);
    EXPECT_NE(log.find(" name nowhere/a.arr"), std::string::npos);
    EXPECT_FALSE(test::exists(path("nowhere/a.arr")));
}

}  // namespace
}  // namespace zrt
