#include "fastpath/scar_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "fastpath/byte_order.h"
#include "fastpath/scar.h"
#include "pack/crc32.h"
#include "scar_writer.h"
#include "support/arrays.h"
#include "support/fault_walk.h"
#include "support/library_env.h"
#include "zrt32.h"

namespace zrt {
namespace {

using namespace test;
namespace fs = std::filesystem;

int32_t write(const std::string& name, const APLArray* data) {
    return codeOf(ArrayPtr(FileWrite(chars(name).get(), const_cast<APLArray*>(data))).get());
}

int32_t read(const std::string& name) { return codeOf(TreePtr(FileRead(chars(name).get())).get()); }

// Whether the file reads as the array.
::testing::AssertionResult holds(const std::string& name, const APLArray* expected) {
    TreePtr r(FileRead(chars(name).get()));
    if (codeOf(r.get()) != 0) return ::testing::AssertionFailure() << "code " << codeOf(r.get());
    return sameArray(expected, valueOf(r.get()));
}

class ScarFile : public ::testing::Test {
protected:
    void init(int version, const char* debug = "0x00020003") {
        env.setUserValue("Main", "DLLScarVersion", std::to_string(version));
        env.setUserValue("MEMORY", "Debug", debug);
        env.writeIdentityTranslation();
        ASSERT_EQ(env.init(), 0u);
    }
    std::string log() { return exists(env.file("aplsrv.log")) ? readFile(env.file("aplsrv.log")) : ""; }

    LibraryEnv env;
};

TEST_F(ScarFile, BothVersionsWriteTheirFieldsAndReadBack) {
    for (int version : {0, 1}) {
        SCOPED_TRACE(version);
        LibraryEnv fresh;
        fresh.setUserValue("Main", "DLLScarVersion", std::to_string(version));
        fresh.writeIdentityTranslation();
        ArrayPtr data = sampleArray();
        EXPECT_EQ(write("sample.dat", data.get()), 10006);  // not before Init
        ASSERT_EQ(fresh.init(), 0u);
        ASSERT_EQ(write("sample.dat", data.get()), 0);
        std::string file = readFile("sample.dat");
        ScarBuffer scar;
        ASSERT_EQ(EncodeScar(data.get(), scar), kOk);
        const size_t start = version == 0 ? 16 : 24;
        ASSERT_EQ(file.size(), start + scar.size);
        EXPECT_EQ(file.substr(0, 16), std::string("QUIRVEX 00 00 0") + char('0' + version));
        EXPECT_EQ(file.substr(start), std::string(reinterpret_cast<char*>(scar.bytes.get()), scar.size));
        if (version == 1) {
            const auto* f = reinterpret_cast<const uint8_t*>(file.data());
            EXPECT_EQ(load32le(f + 16), Crc32Of(scar.bytes.get(), scar.size));
            EXPECT_EQ(load32le(f + 20), scar.size);
        }
        EXPECT_TRUE(holds("sample.dat", data.get()));
        EXPECT_FALSE(exists("sample.NEW"));
    }
}

TEST_F(ScarFile, EveryKindOfFailureGivesItsCodeAndLine) {
    init(1);
    ArrayPtr data = args(chars("AB"), ints({1, 2, 3}));
    ASSERT_EQ(write("good.dat", data.get()), 0);
    const std::string good = readFile("good.dat");
    std::string version0 = good.substr(0, 14) + "00" + good.substr(24);
    std::string flipped = good, wrongSize = good, badForm = version0, damaged = version0;
    flipped[flipped.size() - 9] ^= 0x01;
    wrongSize[20] ^= 0x04;
    badForm[16] = 'C';
    damaged[16 + 8 + 4] = 0;  // the root node's type becomes 0
    // Ten progressions of 2^26 - 1 integers: 2.5 GB asked for by a file of 276 bytes.
    ScarWriter w('L');
    size_t root = w.node(kSqNested, {10}, 40);
    for (uint32_t k = 0; k < 10; ++k) w.link(root, k, w.node(kSqApvInt, {(1u << 26) - 1}, 8));
    const std::string huge = version0.substr(0, 16) + std::string(w.bytes.begin(), w.bytes.end());
    const struct {
        const char* name;
        std::string content;
        int32_t code;
        const char* line;
    } cases[] = {
        {"one flipped data byte", flipped, 10039, "Invalid SCAR file CRC 0"},
        {"cut short by one byte", good.substr(0, good.size() - 1), 10039, "Invalid SCAR file size 0"},
        {"size field wrong", wrongSize, 10039, "Invalid SCAR file size 0"},
        {"version 00 too short for a buffer header", version0.substr(0, 20), 10039, "Invalid SCAR file size 0"},
        {"wrong identifier", "QUIRVEX 00 01 " + good.substr(14), 10039, "Invalid Scar FileID 0"},
        {"unknown buffer form", badForm, 10036, nullptr},
        {"damaged node", damaged, 10039, nullptr},
        {"empty file", "", 10039, nullptr},
        {"over the memory limit", huge, 10012, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(env.file("case.dat"), c.content);
        fs::remove(env.file("aplsrv.log"));
        EXPECT_EQ(read("case.dat"), c.code);
        if (c.line) {
            EXPECT_NE(log().find(c.line), std::string::npos) << log();
        }
    }
    writeFile(env.file("case.dat"), version0);
    EXPECT_TRUE(holds("case.dat", data.get()));  // version 00 of the same content reads
    // The deepest tree that can be read back is written; one level more is refused.
    ArrayPtr deep = ints({7});
    for (uint32_t k = 1; k < kMaxScarDepth; ++k) deep = args(std::move(deep));
    ASSERT_EQ(write("deep.dat", deep.get()), 0);
    EXPECT_TRUE(holds("deep.dat", deep.get()));
    EXPECT_NE(write("deep.dat", args(std::move(deep)).get()), 0);
}

TEST_F(ScarFile, RewriteReplacesAndAFailedOneLeavesTheOldFile) {
    init(1);
    ArrayPtr first = chars("first"), second = doubles({2, 2.5});
    ASSERT_EQ(write("t.dat", first.get()), 0);
    ASSERT_EQ(write("t.dat", second.get()), 0);
    EXPECT_TRUE(holds("t.dat", second.get()));
    // A reader holding the file keeps it from being deleted: the rewrite fails and the old
    // content stays readable, the complete new one waiting beside it.
    platform::File holder;
    ASSERT_EQ(platform::File::open("t.dat", platform::kRead, platform::kShareRead,
                                   platform::Disposition::OpenExisting, holder),
              platform::kOk);
    EXPECT_EQ(write("t.dat", first.get()), 10039);
    EXPECT_TRUE(holds("t.dat", second.get()));
    EXPECT_TRUE(exists("t.NEW"));
}

TEST_F(ScarFile, AWriteThatStaysShortGivesUpAfterThreeAttempts) {
    init(1, "0x00020004");
    writeFile(env.file("ro.dat"), "");
    platform::File readOnly;  // every write fails, as on a full disk
    ASSERT_EQ(platform::File::open("ro.dat", platform::kRead, platform::kShareReadWrite,
                                   platform::Disposition::OpenExisting, readOnly),
              platform::kOk);
    EXPECT_EQ(RetryHWrite(readOnly, "QUIRVEX", 7), 10103u);
    const std::string text = log();
    size_t count = 0;
    for (size_t at = 0; (at = text.find("RetryHWrite: WriteFile res ", at)) != std::string::npos; ++at) ++count;
    EXPECT_EQ(count, 3u) << text;
    EXPECT_NE(text.find("asked 7 written 0"), std::string::npos);
}

// Whatever call of FileWrite fails, the file stored before reads back as it was; FileRead on a
// failing disk gives its code or the array, never a wrong one.
TEST_F(ScarFile, AFailingDiskLeavesTheStoredFileAsItWas) {
    init(1);
    ArrayPtr old = args(chars("old"), ints({1, 2})), next = args(chars("new"), doubles({1.5, 2.5}));
    ASSERT_EQ(write("t.dat", old.get()), 0);
    const std::string stored = readFile(env.file("t.dat"));
    for (const platform::FaultPlan& plan : kBrokenDisks) {
        walkFaults(
            plan, [&] { writeFile(env.file("t.dat"), stored); },
            [&] { return uint32_t(write("t.dat", next.get())); },
            [&](uint64_t, uint32_t code) {
                EXPECT_TRUE(code == 10039 || code == 10103) << code;
                EXPECT_EQ(readFile(env.file("t.dat")), stored);
            });
        walkFaults(
            plan, [] {}, [&] { return uint32_t(read("t.dat")); },
            [&](uint64_t, uint32_t code) {
                if (code == 0) return;  // a read short of the header is read again
                EXPECT_TRUE(code == 10039 || code == 10012) << code;
            });
    }
}

// Rewrites the target alternately with two arrays until told how often.
ZRT_CHILD_ROLE(rewriter) {
    if (Init("", nullptr) != 0) return 2;
    ArrayPtr versions[2] = {chars(std::string(100000, 'a')), doubles({1, 2, 3})};
    int written = 0;
    for (int k = 0; k < std::stoi(args.at(0)); ++k)
        if (write("shared.dat", versions[k % 2].get()) == 0) ++written;  // 10039 while read
    return written > 0 ? 0 : 1;
}

TEST_F(ScarFile, ReadersNeverSeeAHalfWrittenFile) {
    init(1);
    ArrayPtr versions[2] = {chars(std::string(100000, 'a')), doubles({1, 2, 3})};
    ASSERT_EQ(write("shared.dat", versions[1].get()), 0);
    ChildProcess writer = ChildProcess::start("rewriter", {"300"});
    ASSERT_TRUE(writer.started());
    int seen[2] = {0, 0};
    for (int k = 0; k < 3000 && (seen[0] == 0 || k < 300); ++k) {
        TreePtr r(FileRead(chars("shared.dat").get()));
        if (codeOf(r.get()) == 10039) continue;  // the file is being replaced at that moment
        ASSERT_EQ(codeOf(r.get()), 0);
        bool first = sameArray(versions[0].get(), valueOf(r.get()));
        ASSERT_TRUE(first || sameArray(versions[1].get(), valueOf(r.get())));
        ++seen[first ? 0 : 1];
    }
    EXPECT_EQ(writer.wait(), 0);
    EXPECT_GT(seen[0] + seen[1], 0);
    EXPECT_EQ(log().find("Invalid SCAR"), std::string::npos) << log();
}

// A file written by the 32-bit build: the 64-bit build reads the same array from it and
// writes the same bytes, so files go both ways.
const std::string kSample = (fs::path(__FILE__).parent_path() / "data" / "sample32.scar").string();

TEST_F(ScarFile, FileOfTheThirtyTwoBitBuildReadsAndIsWrittenAlike) {
    init(1);
    ArrayPtr expected = sampleArray();
    EXPECT_TRUE(holds(kSample, expected.get()));
    ASSERT_EQ(write("again.scar", expected.get()), 0);
    EXPECT_EQ(readFile("again.scar"), readFile(kSample));
}

// Makes the sample (run with --gtest_also_run_disabled_tests in the -m32 build).
TEST_F(ScarFile, DISABLED_WriteSample) {
    init(1);
    ASSERT_EQ(sizeof(void*), 4u);
    ASSERT_EQ(write(kSample, sampleArray().get()), 0);
}

}  // namespace
}  // namespace zrt
