// The array file on disk: its exact bytes, files of any origin opened, and damaged files refused.
#include "arrayfile/file_layer.h"

#include <gtest/gtest.h>

#include <cstring>

#include "arrayfile/item_flags.h"
#include "fixture.h"

namespace zrt::test {
namespace {

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
    Bytes& nld(const std::string& name, uint32_t a, uint32_t b) {
        return u32(47).u32(a).u32(b).text(name, 35);
    }
};

// Two dimensions of sizes 2 and 3, the single item "Data" of double cells.
std::string smallFile() {
    Bytes b;
    b.u32(2).u32(1).u32(79).u32(126).u32(173).u32(185).u32(201).u32(221);
    b.nld("Sales", 1, 2).nld("Dim0", 0, 7).nld("Dim1", 1, 7);
    b.u32(2).u32(1).u32(2).u32(3).u32(1).u32(2).u32(3);
    b.u32(20).u32(0).u32(0x80000008).text("Data", 8);
    b.text("", 48);
    return b.s;
}

using ArrayFileLayout = ArrayFiles;

TEST_F(ArrayFileLayout, SmallFileIsByteForByteTheLayout) {
    ASSERT_EQ(newFile("Sales", "sales.arr", {{1, 2}, {1, 2, 3}}), 0);
    EXPECT_EQ(readFile(path("sales.arr")), smallFile());
}

TEST_F(ArrayFileLayout, OpensTheLayoutWrittenByAnyBuild) {
    writeFile(path("golden.arr"), smallFile());
    ASSERT_EQ(openFile("Golden", "golden.arr"), 0);
    EXPECT_EQ(findAs<ArrayFileObject>("Golden", kArrayFileKind)->structure.dims[1].ids, (Ids{1, 2, 3}));
    ASSERT_EQ(put("Golden.Data", doubles({1, 2, 3, 4, 5, 6.5})), 0);
    std::string bytes = readFile(path("golden.arr"));
    double last;
    std::memcpy(&last, bytes.data() + 221 + 40, 8);
    EXPECT_EQ(last, 6.5);
    EXPECT_EQ(bytes.substr(0, 221), smallFile().substr(0, 221));
}

TEST_F(ArrayFileLayout, ItemDataSizesForEveryKindAndAnEmptyDimension) {
    ArrayFileObject file;
    writeThroughLayer(file, path("k.arr"), {{1, 2, 3}, {1, 2, 3}},
                      {{"Bits", kInFile | kBitCells},  // 9 cells: 2 bytes
                       {"None", kInFile},              // no cells: no data
                       {"Both", kInFile | kCellKindMask},
                       {"Data", kInFile | kDoubleCells}});  // 72 bytes
    file.file.close();
    const HeaderBlock& h = *file.header;
    EXPECT_EQ(h.itemDataOffset(1), h.itemDataOffset(0) + 2);
    EXPECT_EQ(h.itemDataOffset(2), h.itemDataOffset(1));
    EXPECT_EQ(h.itemDataOffset(3), h.itemDataOffset(2));
    EXPECT_EQ(readFile(path("k.arr")).size(), h.itemDataOffset(3) + 72u);
    EXPECT_EQ(openFile("K", "k.arr"), 0);

    ASSERT_EQ(newFile("F", "f.arr", {{1, 2}, {}}, {"AuditRec"}), 0);
    std::string bytes = readFile(path("f.arr"));
    EXPECT_EQ(word(bytes, 8 + 4 * 6), bytes.size());
    EXPECT_EQ(word(bytes, 8 + 4 * 7), bytes.size());
}

TEST_F(ArrayFileLayout, LongNamesAreRefusedBeforeTheDiskIsTouched) {
    writeFile(path("keep.arr"), "precious");
    auto create = [&](size_t length) {
        return codeOfCall(New, args(chars("A"), intScalar(2), intScalar(0), chars("keep.arr"), selection({{1}}),
                                    fileDescriptor(std::string(length, 'N')), dimDescriptors(1)));
    };
    EXPECT_EQ(create(32), int32_t(kRange));
    EXPECT_EQ(readFile(path("keep.arr")), "precious");
    EXPECT_EQ(create(31), 0);
    EXPECT_EQ(readFile(path("keep.arr")).substr(24 + 12, 31), std::string(31, 'N'));  // nD 1, nI 1
}

TEST_F(ArrayFileLayout, DamagedFilesAreRefused) {
    struct Case {
        const char* name;
        size_t at;  // where to write
        uint32_t value;
        size_t cut;  // or: keep only this many bytes (0: keep all)
    };
    const Case cases[] = {
        {"header larger than the file", 0, 0x40000000, 0},
        {"item count beyond the file", 4, 100, 0},
        {"list offset beyond the file", 16, 1000, 0},
        {"list size beyond the file", 185, 0x10000000, 0},
        {"record offset beyond the file", 24, 5000, 0},
        {"record length below 16", 201, 15, 0},
        {"data reaching past the end", 28, 230, 0},
        {"Data item of both kinds", 209, 0x80000009, 0},
        {"file shorter than its data", 0, 2, 260},
        {"file cut inside the header", 0, 2, 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string bytes = smallFile();
        bytes.replace(c.at, 4, Bytes().u32(c.value).s);
        if (c.cut) bytes.resize(c.cut);
        writeFile(path("bad.arr"), bytes);
        EXPECT_EQ(openFile("Bad", "bad.arr"), int32_t(kFileError));
        EXPECT_EQ(find("Bad"), nullptr);
    }
}

}  // namespace
}  // namespace zrt::test
