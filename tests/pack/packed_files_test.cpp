#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "coder_io.h"
#include "platform/platform.h"
#include "support/arrays.h"
#include "support/test_support.h"
#include "zrt32.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#endif

namespace zrt::test {
namespace {

namespace fs = std::filesystem;

std::string text(const Bytes& b) { return std::string(b.begin(), b.end()); }

// The value of a successful call: its text item and its numbers as 32-bit patterns.
struct Packed {
    int32_t code = -1;
    std::string text;
    std::vector<uint32_t> numbers;
};

Packed valueOfCall(ArrayPtr result) {
    Packed p;
    p.code = codeOf(result.get());
    if (const APLArray* v = valueOf(result.get())) {
        p.text = textOf(slotAt(v, 0));
        for (double d : numbersOf(slotAt(v, 1))) p.numbers.push_back(uint32_t(int32_t(d)));
    }
    return p;
}

Packed packFile(const std::string& path) { return valueOfCall(ArrayPtr(PackFile(chars(path).get()))); }

Packed unPackFile(const std::string& directory, int32_t handle) {
    return valueOfCall(ArrayPtr(UnPackFile(args(chars(directory), ints({handle})).get())));
}

std::string le32(uint32_t v) {
    return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
}

std::string entry(uint32_t value, const std::string& data, const std::string& name13,
                  uint32_t size) {
    return le32(value) + le32(size) + name13 + data;
}
std::string entry(uint32_t value, const std::string& data, const std::string& name13) {
    return entry(value, data, name13, uint32_t(data.size()));
}

// The compressed bytes, read back through the handle that PackFile returned, which is then
// closed; the temporary file is removed.
std::string takeTemporary(const Packed& p) {
    auto handle = int32_t(p.numbers.at(0));
    std::string data(p.numbers.at(2), '\0');
    EXPECT_EQ(platform::classicSeek(handle, 0, 1), int32_t(data.size()));  // after the data
    EXPECT_EQ(platform::classicSeek(handle, 0, 0), 0);
    EXPECT_EQ(platform::classicRead(handle, data.data(), uint32_t(data.size())), int32_t(data.size()));
    EXPECT_EQ(platform::classicClose(handle), 0);
    EXPECT_EQ(platform::deleteFile(p.text), 0u);
    return data;
}

class PackedFiles : public ::testing::Test {
protected:
    TempDir dir;
    std::string tmp = dir.file("tmp"), out = dir.file("out") + "/";
    ScopedEnv tmpdir{"TMPDIR", tmp};

    void SetUp() override {
        fs::create_directory(tmp);
        fs::create_directory(out);
    }
    bool temporaryDirectoryIsEmpty() const { return fs::is_empty(tmp); }

    // Writes an archive with the entry after some bytes of its own and opens it there.
    int32_t archiveAt(const std::string& entryBytes) {
        writeFile(dir.file("archive"), "HEAD123" + entryBytes + "TAIL");
        int32_t h = platform::classicOpen(dir.file("archive"), platform::kOfRead);
        EXPECT_EQ(platform::classicSeek(h, 7, 0), 7);
        return h;
    }
};

TEST_F(PackedFiles, EmptyFilePacksToFourBytesThatDoNotUnpack) {
    writeFile(dir.file("empty"), "");
    Packed p = packFile(dir.file("empty"));
    ASSERT_EQ(p.code, 0);
    EXPECT_EQ(fs::path(p.text).parent_path(), fs::path(tmp));
    EXPECT_EQ(fs::path(p.text).filename().string().substr(0, 3), "MPK");
    EXPECT_EQ(p.numbers.at(1), 0u);
    EXPECT_EQ(p.numbers.at(2), 4u);
    std::string data = takeTemporary(p);
    EXPECT_EQ(data, std::string("\x00\x06\x01\xFF", 4));

    int32_t h = archiveAt(entry(0, data, "EMPTY        "));
    EXPECT_EQ(unPackFile(out, h).code, 10203);
    EXPECT_FALSE(exists(out + "EMPTY"));
    platform::classicClose(h);
}

TEST_F(PackedFiles, PackThenUnpackGivesTheBytesBackWithTheSameCrc) {
    Bytes contents[] = {{'x'}, sampleText(50000), sampleDoubles(3000), randomBytes(10000, 3)};
    for (const Bytes& content : contents) {
        SCOPED_TRACE(content.size());
        writeFile(dir.file("source"), text(content));
        Packed packed = packFile(dir.file("source"));
        ASSERT_EQ(packed.code, 0);
        std::string data = takeTemporary(packed);
        EXPECT_EQ(text(explodeBytes(Bytes(data.begin(), data.end())).out), text(content));

        int32_t h = archiveAt(entry(0xFEDCBA98u, data, "DATA.BIN     "));
        Packed unpacked = unPackFile(out, h);
        ASSERT_EQ(unpacked.code, 0);
        EXPECT_EQ(unpacked.text, "DATA.BIN");
        EXPECT_EQ(unpacked.numbers, (std::vector<uint32_t>{0xFEDCBA98u, packed.numbers[1],
                                                           uint32_t(content.size()),
                                                           uint32_t(data.size())}));
        EXPECT_EQ(readFile(out + "DATA.BIN"), text(content));
        // Left open, just after the compressed bytes.
        EXPECT_EQ(platform::classicSeek(h, 0, 1), int32_t(7 + 21 + data.size()));
        platform::classicClose(h);
    }
    EXPECT_TRUE(temporaryDirectoryIsEmpty());
}

TEST_F(PackedFiles, EntryNamesLoseTheirPaddingAndMayNotLeaveTheDirectory) {
    std::string data = text(implodeBytes(Bytes{'h', 'i'}).out);
    struct Case { std::string field, name; int32_t code; } cases[] = {
        {"A.TXT        ", "A.TXT", 0},
        {"LONGNAME.TXTX", "LONGNAME.TXTX", 0},
        {"B C          ", "B C", 0},
        {std::string("C\0XYZ        ", 13), "C", 0},
        {"../ESCAPE    ", "", 10039},
        {std::string(13, '\0'), "", 10039},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        int32_t h = archiveAt(entry(1, data, c.field));
        Packed p = unPackFile(out, h);
        EXPECT_EQ(p.code, c.code);
        if (c.code == 0) {
            EXPECT_EQ(p.text, c.name);
            EXPECT_EQ(readFile(out + c.name), "hi");
        }
        platform::classicClose(h);
    }
    EXPECT_FALSE(exists(dir.file("ESCAPE")));
}

TEST_F(PackedFiles, CutOrDamagedEntriesLeaveNoFile) {
    std::string data = text(implodeBytes(randomBytes(6000, 5)).out);
    struct Case { const char* name; std::string entry; int32_t code; } cases[] = {
        {"data cut before the end mark", entry(0, data.substr(0, 3000), "CUT          "), 10204},
        {"size beyond the archive", entry(0, data.substr(0, 3000), "CUT          ", 6000), 10204},
        {"header cut short", le32(0) + le32(9) + "CUT", 10039},
        {"bad dictionary", entry(0, std::string("\x00\x07\x01\xFF\x00", 5), "CUT          "), 10201},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        int32_t h = archiveAt(c.entry);
        EXPECT_EQ(unPackFile(out, h).code, c.code);
        EXPECT_FALSE(exists(out + "CUT"));
        platform::classicClose(h);
    }
}

TEST_F(PackedFiles, RefusesArgumentsOfTheWrongForm) {
    writeFile(dir.file("f"), "abc");
    auto code = [](ArrayPtr a) { return codeOf(a.get()); };
    EXPECT_EQ(code(ArrayPtr(PackFile(ints({1}).get()))), 10004);
    EXPECT_EQ(code(ArrayPtr(PackFile(args(chars(dir.file("f"))).get()))), 10004);
    EXPECT_EQ(code(ArrayPtr(PackFile(nullptr))), 10004);
    EXPECT_EQ(code(ArrayPtr(UnPackFile(args(chars(out)).get()))), 10004);
    EXPECT_EQ(code(ArrayPtr(UnPackFile(args(chars(out), chars("3")).get()))), 10004);
    EXPECT_EQ(code(ArrayPtr(UnPackFile(args(intScalar(3), ints({3})).get()))), 10004);
    EXPECT_EQ(code(ArrayPtr(UnPackFile(args(chars(out), doubles({2.5})).get()))), 10004);
    EXPECT_EQ(code(ArrayPtr(UnPackFile(args(chars(out), ints({3}), ints({3})).get()))), 10004);
    EXPECT_EQ(code(ArrayPtr(UnPackFile(chars(out).get()))), 10004);
    EXPECT_EQ(code(ArrayPtr(PackFile(chars(std::string(256, 'a')).get()))), 10001);
    EXPECT_TRUE(temporaryDirectoryIsEmpty());
}

TEST_F(PackedFiles, FailedOpensAndCreatesGive10039AndLeaveNothing) {
    writeFile(dir.file("f"), "abc");
    EXPECT_EQ(packFile(dir.file("missing")).code, 10039);
    {
        ScopedEnv noTmp("TMPDIR", dir.file("no-such-directory"));
        EXPECT_EQ(packFile(dir.file("f")).code, 10039);
    }
    EXPECT_TRUE(temporaryDirectoryIsEmpty());

    std::string data = text(implodeBytes(Bytes{'h', 'i'}).out);
    int32_t h = archiveAt(entry(1, data, "A.TXT        "));
    EXPECT_EQ(unPackFile(dir.file("no-such-directory") + "/", h).code, 10039);
    platform::classicClose(h);
    EXPECT_EQ(unPackFile(out, h).code, 10039);  // a closed handle
}

#ifndef _WIN32
// Writes beyond 3000 bytes fail in this child, as on a full disk. args: what to do, the path.
ZRT_CHILD_ROLE(small_disk) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{3000, 3000};
    setrlimit(RLIMIT_FSIZE, &limit);
    if (args.at(0) == "pack") return packFile(args.at(1)).code == 10039 ? 0 : 1;
    int32_t h = platform::classicOpen(args.at(1), platform::kOfRead);
    platform::classicSeek(h, 7, 0);
    return unPackFile(args.at(2), h).code == 10039 ? 0 : 1;
}

TEST_F(PackedFiles, FailedWritesGive10039AndRemoveTheFile) {
    writeFile(dir.file("random"), text(randomBytes(20000, 7)));
    EXPECT_EQ(ChildProcess::start("small_disk", {"pack", dir.file("random")}).wait(), 0);
    EXPECT_TRUE(temporaryDirectoryIsEmpty());

    int32_t h = archiveAt(entry(0, text(implodeBytes(sampleText(20000)).out), "BIG          "));
    platform::classicClose(h);
    EXPECT_EQ(ChildProcess::start("small_disk", {"unpack", dir.file("archive"), out}).wait(), 0);
    EXPECT_FALSE(exists(out + "BIG"));
}
#endif

}  // namespace
}  // namespace zrt::test
