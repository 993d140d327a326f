// The mapping an array file keeps between calls: what others do to the file between two calls
// is seen by the next call exactly as if the file were opened afresh.
#include <gtest/gtest.h>

#include "arrayfile/objects.h"
#include "fixture.h"
#include "platform/platform.h"

namespace zrt::test {
namespace {

class KeptView : public ArrayFiles {
protected:
    // Another writer: a handle of its own on the disk file.
    void writeCell(const std::string& file, uint64_t offset, double v) {
        platform::File f;
        ASSERT_EQ(platform::File::open(file, platform::kReadWrite, platform::kShareReadWrite,
                                       platform::Disposition::OpenExisting, f), platform::kOk);
        uint32_t put = 0;
        ASSERT_EQ(f.writeAt(offset, &v, 8, put), platform::kOk);
    }
    void resize(const std::string& file, uint64_t size) {
        platform::File f;
        ASSERT_EQ(platform::File::open(file, platform::kReadWrite, platform::kShareReadWrite,
                                       platform::Disposition::OpenExisting, f), platform::kOk);
        ASSERT_EQ(f.seek(int64_t(size), platform::Whence::Begin), platform::kOk);
        ASSERT_EQ(f.setEnd(), platform::kOk);
    }
    uint64_t dataOffset(const std::string& name) {
        return findAs<ArrayFileObject>(name, kArrayFileKind)->header->itemDataOffset(0);
    }
};

TEST_F(KeptView, WritesGrowthCutsAndReplacementsBetweenCallsAreSeen) {
    std::string file = path("f.arr"), other = path("g.arr");
    ASSERT_EQ(newFile("F", file, {oneTo(3), oneTo(2)}), 0);
    ASSERT_EQ(put("F.Data", doubles({1, 2, 3, 4, 5, 6})), 0);
    ASSERT_EQ(get("F.Data").cells, (Cells{1, 2, 3, 4, 5, 6}));
    uint64_t data = dataOffset("F");

    writeCell(file, data + 16, 42);  // written by another handle: seen
    EXPECT_EQ(get("F.Data").cells, (Cells{1, 2, 42, 4, 5, 6}));
    resize(file, data + 48 + 4096);  // grown
    EXPECT_EQ(get("F.Data").cells, (Cells{1, 2, 42, 4, 5, 6}));
    resize(file, data + 8);  // cut inside the item: refused, no fault
    EXPECT_EQ(codeOfCall(Get, args(chars("F.Data"))), 10039);
    resize(file, data + 48);

    // Replaced by another file of the same name: the new file's cells.
    ASSERT_EQ(newFile("G", other, {oneTo(3), oneTo(2)}), 0);
    ASSERT_EQ(put("G.Data", doubles({7, 7, 7, 7, 7, 7})), 0);
    ASSERT_EQ(close("G"), 0);
    ASSERT_EQ(platform::deleteFile(file), platform::kOk);
    ASSERT_EQ(platform::moveFile(other, file), platform::kOk);
    EXPECT_EQ(get("F.Data").cells, (Cells{7, 7, 7, 7, 7, 7}));

    // Renamed and removed while a mapping is kept: the file moves and goes.
    ASSERT_EQ(codeOfCall(Rename, args(chars("F"), chars(other))), 0);
    EXPECT_EQ(get("F.Data").cells, (Cells{7, 7, 7, 7, 7, 7}));
    ASSERT_EQ(codeOfCall(Remove, args(chars("F"))), 0);
    EXPECT_FALSE(platform::fileExists(other));
}

TEST_F(KeptView, AKeptMappingLetsOthersDeleteTheFile) {
    std::string file = path("f.arr");
    ASSERT_EQ(newFile("F", file, {oneTo(4)}), 0);
    ASSERT_EQ(put("F.Data", doubles({1, 2, 3, 4})), 0);
    EXPECT_EQ(platform::deleteFile(file), platform::kOk);  // as when no call holds the file
    EXPECT_EQ(codeOfCall(Get, args(chars("F.Data"))), 10039);
    EXPECT_EQ(close("F"), 0);
}

}  // namespace
}  // namespace zrt::test
