#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "coder_io.h"
#include "platform/platform.h"
#include "support/arrays.h"
#include "support/fault_walk.h"
#include "support/test_support.h"
#include "zrt32.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#endif

namespace zrt::test {
namespace {

namespace fs = std::filesystem;
using platform::classicClose;
using platform::classicSeek;

std::string text(const Bytes& b) { return std::string(b.begin(), b.end()); }

// A call's code, and on success its text item and its numbers as 32-bit patterns.
struct Call {
    int32_t code;
    std::string text;
    std::vector<uint32_t> numbers;
};

Call callOf(APLArray* result) {
    ArrayPtr owned(result);
    Call c{codeOf(result), {}, {}};
    if (const APLArray* v = valueOf(result)) {
        c.text = textOf(slotAt(v, 0));
        for (double d : numbersOf(slotAt(v, 1))) c.numbers.push_back(uint32_t(int32_t(d)));
    }
    return c;
}

Call packFile(const std::string& path) { return callOf(PackFile(chars(path).get())); }
Call unPackFile(const std::string& directory, int32_t handle) {
    return callOf(UnPackFile(args(chars(directory), ints({handle})).get()));
}

std::string le32(uint32_t v) { return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }

std::string entry(const std::string& name13, const std::string& data, uint32_t value = 7) {
    return le32(value) + le32(uint32_t(data.size())) + name13 + data;
}

class PackedFiles : public ::testing::Test {
protected:
    TempDir dir;
    std::string tmp = dir.file("tmp"), out = dir.file("out") + "/";
    ScopedEnv tmpdir{zrt::test::kTemporaryDirectoryVariable, tmp};

    void SetUp() override {
        fs::create_directory(tmp);
        fs::create_directory(out);
    }

    // The compressed bytes, read back through the handle PackFile returned, which must stand
    // after them; the handle is closed and the temporary file removed.
    std::string takeTemporary(const Call& p) {
        auto handle = int32_t(p.numbers.at(0));
        std::string data(p.numbers.at(2), '\0');
        EXPECT_EQ(classicSeek(handle, 0, 1), int32_t(data.size()));
        classicSeek(handle, 0, 0);
        EXPECT_EQ(platform::classicRead(handle, data.data(), uint32_t(data.size())),
                  int32_t(data.size()));
        classicClose(handle);
        EXPECT_EQ(platform::deleteFile(p.text), 0u);
        return data;
    }

    // An archive with the entry after 7 bytes of its own, open at the entry.
    int32_t archiveWith(const std::string& entryBytes) {
        writeFile(dir.file("archive"), "HEAD123" + entryBytes + "TAIL");
        int32_t h = platform::classicOpen(dir.file("archive"), platform::kOfRead);
        classicSeek(h, 7, 0);
        return h;
    }
    Call unpack(const std::string& entryBytes) {
        int32_t h = archiveWith(entryBytes);
        Call c = unPackFile(out, h);
        classicClose(h);
        return c;
    }
};

TEST_F(PackedFiles, PackThenUnpackGivesTheBytesBackWithTheSameCrc) {
    for (const Bytes& content : {Bytes{}, Bytes{'x'}, sampleText(50000)}) {
        SCOPED_TRACE(content.size());
        writeFile(dir.file("source"), text(content));
        Call packed = packFile(dir.file("source"));
        ASSERT_EQ(packed.code, 0);
        EXPECT_EQ(fs::path(packed.text).parent_path(), fs::path(tmp));
        EXPECT_EQ(fs::path(packed.text).filename().string().substr(0, 3), "MPK");
        std::string data = takeTemporary(packed);
        Call unpacked = unpack(entry("DATA.BIN     ", data, 0xFEDCBA98u));
        if (content.empty()) {  // four bytes, the header and the end mark, that do not unpack
            EXPECT_EQ(data, std::string("\x00\x06\x01\xFF", 4));
            EXPECT_EQ(packed.numbers.at(1), 0u);
            EXPECT_EQ(unpacked.code, 10203);
            EXPECT_FALSE(exists(out + "DATA.BIN"));
            continue;
        }
        ASSERT_EQ(unpacked.code, 0);
        EXPECT_EQ(unpacked.text, "DATA.BIN");
        EXPECT_EQ(unpacked.numbers, (std::vector<uint32_t>{0xFEDCBA98u, packed.numbers[1],
                                                           uint32_t(content.size()),
                                                           uint32_t(data.size())}));
        EXPECT_EQ(readFile(out + "DATA.BIN"), text(content));
    }
    EXPECT_TRUE(fs::is_empty(tmp));
}

TEST_F(PackedFiles, EntryNamesAndDamagedEntries) {
    std::string hi = text(implodeBytes(Bytes{'h', 'i'}).out);
    std::string cut = text(implodeBytes(randomBytes(6000, 5)).out).substr(0, 3000);
    struct Case { const char* name; std::string entry, file; int32_t code; } cases[] = {
        {"padded", entry("A.TXT        ", hi), "A.TXT", 0},
        {"full width", entry("LONGNAME.TXTX", hi), "LONGNAME.TXTX", 0},
        {"zero byte", entry(std::string("C\0XYZ        ", 13), hi), "C", 0},
        {"size beyond the archive", le32(0) + le32(6000) + "CUT          " + cut, "CUT", 10204},
        {"cut in the first piece", le32(0) + le32(6000) + "CUT          " + cut.substr(0, 99), "CUT",
         10204},
        {"header cut short", le32(0) + le32(9) + "CUT", "CUT", 10039},
        {"bad dictionary", entry("CUT          ", std::string("\0\7\1\xFF\0", 5)), "CUT", 10201},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Call r = unpack(c.entry);
        EXPECT_EQ(r.code, c.code);
        EXPECT_EQ(r.text, c.code ? "" : c.file);
        EXPECT_EQ(exists(out + c.file), c.code == 0);
    }
}

TEST_F(PackedFiles, LongNamesAndMissingDirectoriesLeaveNothing) {
    writeFile(dir.file("f"), "abc");
    EXPECT_EQ(packFile(std::string(256, 'a')).code, 10001);
    {
        ScopedEnv noTemporaryDirectory(zrt::test::kTemporaryDirectoryVariable, dir.file("missing"));
        EXPECT_EQ(packFile(dir.file("f")).code, 10039);
    }
    EXPECT_TRUE(fs::is_empty(tmp));
    int32_t h = archiveWith(entry("A.TXT        ", text(implodeBytes(Bytes{'h'}).out)));
    EXPECT_EQ(unPackFile(dir.file("missing") + "/", h).code, 10039);
    classicClose(h);
}

// A disk that fails at any call of PackFile or UnPackFile: the call fails, no temporary or
// unpacked file stays, and the source is only read. A read that fails or comes short on the
// archive is the data running short (10203, 10204), like a cut entry.
TEST_F(PackedFiles, AFailingDiskLeavesNoFileBehind) {
    const std::string source = text(randomBytes(9000, 3)) + text(sampleText(9000));
    writeFile(dir.file("source"), source);
    const std::string packed = entry("BIG          ", text(implodeBytes(sampleText(9000)).out));
    Call made{-1, {}, {}};
    auto clear = [&] {
        if (made.code == 0) takeTemporary(made);
        made.code = -1;
    };
    for (const platform::FaultPlan& plan : kBrokenDisks) {
        walkFaults(
            plan, clear,
            [&] {
                made = packFile(dir.file("source"));
                return uint32_t(made.code);
            },
            [&](uint64_t, uint32_t code) {
                EXPECT_EQ(code, 10039u);
                EXPECT_TRUE(fs::is_empty(tmp));
                EXPECT_EQ(readFile(dir.file("source")), source);
            });
        walkFaults(
            plan, [&] { fs::remove(out + "BIG"); }, [&] { return uint32_t(unpack(packed).code); },
            [&](uint64_t, uint32_t code) {
                EXPECT_TRUE(code == 10039 || (code >= 10201 && code <= 10204)) << code;
                EXPECT_FALSE(exists(out + "BIG"));
            });
    }
    clear();
}

#ifndef _WIN32
// Writes beyond 3000 bytes fail in this child, as on a full disk. args: pack path, or unpack
// archive directory.
ZRT_CHILD_ROLE(small_disk) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{3000, 3000};
    setrlimit(RLIMIT_FSIZE, &limit);
    if (args.at(0) == "pack") return packFile(args.at(1)).code == 10039 ? 0 : 1;
    int32_t h = platform::classicOpen(args.at(1), platform::kOfRead);
    classicSeek(h, 7, 0);
    return unPackFile(args.at(2), h).code == 10039 ? 0 : 1;
}

TEST_F(PackedFiles, FailedWritesGive10039AndRemoveTheFile) {
    writeFile(dir.file("random"), text(randomBytes(20000, 7)));
    EXPECT_EQ(ChildProcess::start("small_disk", {"pack", dir.file("random")}).wait(), 0);
    EXPECT_TRUE(fs::is_empty(tmp));

    classicClose(archiveWith(entry("BIG          ", text(implodeBytes(sampleText(20000)).out))));
    EXPECT_EQ(ChildProcess::start("small_disk", {"unpack", dir.file("archive"), out}).wait(), 0);
    EXPECT_FALSE(exists(out + "BIG"));
}
#endif

}  // namespace
}  // namespace zrt::test
