#include "fastpath/scar_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <map>

#include "fastpath/byte_order.h"
#include "fastpath/scar.h"
#include "frame/args.h"
#include "frame/registry.h"
#include "pack/crc32.h"
#include "scar_writer.h"
#include "support/arrays.h"
#include "support/library_env.h"
#include "zrt32.h"

namespace zrt {
namespace {

using namespace test;
namespace fs = std::filesystem;

// A character-set section numbering bytes 0-255 as themselves, except the overrides.
std::string charsetSection(const std::string& name, const std::map<int, int>& overrides,
                           bool withDefault = true) {
    std::string text = "[" + name + "]\n";
    if (withDefault) text += "DefaultChar=63\n";
    for (int k = 0; k < 256; k += 16) {
        text += std::to_string(k) + "=";
        for (int b = k; b < k + 16; ++b) {
            auto it = overrides.find(b);
            text += std::to_string(it == overrides.end() ? b : it->second) + " ";
        }
        text += "\n";
    }
    return text;
}

ArrayPtr sampleArray() {
    uint32_t shape[2] = {2, 2}, zero = 0;
    ArrayPtr matrix(AllocArray(kInt32, 2, shape));
    for (uint32_t k = 0; k < 4; ++k) SetItemInt(matrix.get(), k, -70000 * static_cast<int32_t>(k));
    ArrayPtr small(allocVector(kInt8, 2)), mid(allocVector(kInt16, 1));
    dataOf(small.get())[0] = 0xFE;
    dataOf(small.get())[1] = 0x7F;
    int16_t m = -12345;
    std::memcpy(dataOf(mid.get()), &m, 2);
    return args(chars("Sales"), std::move(matrix), doubles({1.5, -2.25e10}), bools({1, 0, 1, 1, 0, 0, 1, 0, 1}),
                std::move(small), std::move(mid), ArrayPtr(AllocArray(kNested, 1, &zero)),
                args(charScalar('x'), args(intScalar(7))));
}

class ScarFile : public ::testing::Test {
protected:
    void init(int version, const std::string& translation = "", const char* debug = "0x00020003") {
        env.setUserValue("Main", "DLLScarVersion", std::to_string(version));
        env.setUserValue("MEMORY", "Debug", debug);
        if (translation.empty()) env.writeIdentityTranslation();
        else writeFile(env.file("APLUNICD.INI"), translation);
        ASSERT_EQ(env.init(), 0u);
    }
    int32_t write(const std::string& name, const APLArray* data) {
        ArrayPtr n = chars(name);
        ArrayPtr r(FileWrite(n.get(), const_cast<APLArray*>(data)));
        return codeOf(r.get());
    }
    // The code of a read, and the array read.
    int32_t read(const std::string& name, TreePtr* out = nullptr) { return readNamed(chars(name).get(), out); }
    int32_t readNamed(APLArray* name, TreePtr* out = nullptr) {
        TreePtr r(FileRead(name));
        int32_t code = codeOf(r.get());
        if (code == 0 && out) {
            out->reset(slotAt(r.get(), 1));
            setSlot(r.get(), 1, nullptr);
        }
        return code;
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
        ASSERT_EQ(fresh.init(), 0u);
        ArrayPtr data = sampleArray();
        ASSERT_EQ(write("sample.dat", data.get()), 0);
        std::string file = readFile("sample.dat");
        ScarBuffer scar;
        ASSERT_EQ(EncodeSCAR(data.get(), scar), kOk);
        const size_t start = version == 0 ? 16 : 24;
        ASSERT_EQ(file.size(), start + scar.size);
        EXPECT_EQ(file.substr(0, 16), std::string("QUIRVEX 00 00 0") + char('0' + version));
        EXPECT_EQ(file.substr(start), std::string(reinterpret_cast<char*>(scar.bytes.get()), scar.size));
        if (version == 1) {
            const auto* f = reinterpret_cast<const uint8_t*>(file.data());
            EXPECT_EQ(load32le(f + 16), Crc32Of(scar.bytes.get(), scar.size));
            EXPECT_EQ(load32le(f + 20), scar.size);
        }
        TreePtr back;
        ASSERT_EQ(read("sample.dat", &back), 0);
        EXPECT_TRUE(sameArray(data.get(), back.get()));
        EXPECT_FALSE(exists("sample.NEW"));
    }
}

TEST_F(ScarFile, EveryFailureOfTheTableGivesItsCodeAndLine) {
    init(1);
    ArrayPtr data = args(chars("AB"), ints({1, 2, 3}));
    ASSERT_EQ(write("good.dat", data.get()), 0);
    const std::string good = readFile("good.dat");
    std::string version0 = good.substr(0, 14) + "00" + good.substr(24);
    std::string flipped = good;
    flipped[flipped.size() - 9] ^= 0x01;
    std::string wrongSize = good;
    wrongSize[20] ^= 0x04;
    std::string badForm = version0;
    badForm[16] = 'C';
    std::string damaged = version0;
    damaged[16 + 8 + 4] = 0;  // the root node's type becomes 0
    struct Case {
        const char* name;
        std::string content;
        int32_t code;
        const char* line;
    };
    // The golden script holds an empty file, one too short for its header and a wrong version.
    const Case cases[] = {
        {"one flipped data byte", flipped, 10039, "Invalid SCAR file CRC 0"},
        {"cut short by one byte", good.substr(0, good.size() - 1), 10039, "Invalid SCAR file size 0"},
        {"size field wrong", wrongSize, 10039, "Invalid SCAR file size 0"},
        {"version 01 without a buffer", good.substr(0, 24), 10039, "Invalid SCAR file size 0"},
        {"version 00 too short for a buffer header", version0.substr(0, 20), 10039, "Invalid SCAR file size 0"},
        {"wrong identifier", "QUIRVEX 00 01 " + good.substr(14), 10039, "Invalid Scar FileID 0"},
        {"unknown buffer form", badForm, 10036, nullptr},
        {"damaged node", damaged, 10039, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(env.file("case.dat"), c.content);
        fs::remove(env.file("aplsrv.log"));
        EXPECT_EQ(read("case.dat"), c.code);
        if (c.line) {
            EXPECT_NE(log().find(c.line), std::string::npos) << log();
        }
    }
    TreePtr back;
    writeFile(env.file("case.dat"), version0);
    EXPECT_EQ(read("case.dat", &back), 0);  // version 00 of the same content reads
    EXPECT_TRUE(sameArray(data.get(), back.get()));
    EXPECT_EQ(readNamed(nullptr), 10039);
    EXPECT_EQ(codeOf(ArrayPtr(FileWrite(chars("x.dat").get(), nullptr)).get()), 10004);
}

TEST(ScarFileNames, TemporaryNameReplacesTheLastExtension) {
    struct Case {
        std::string target, temporary;
    };
    const Case cases[] = {
        {"a.b.c", "a.b.NEW"}, {"data.dat", "data.NEW"}, {"noext", ".NEW"},
        {".hidden", ".NEW"},  {"dir.x/file", "dir.NEW"}, {"/tmp/x/y.scar", "/tmp/x/y.NEW"},
    };
    for (const Case& c : cases) {
        std::string out;
        EXPECT_EQ(TemporaryScarName(c.target, out), kOk);
        EXPECT_EQ(out, c.temporary) << c.target;
    }
    std::string out;
    EXPECT_EQ(TemporaryScarName(std::string(251, 'n') + ".dat", out), kOk);  // 255 characters
    EXPECT_EQ(TemporaryScarName(std::string(252, 'n') + ".dat", out), kFileError);
}

TEST_F(ScarFile, RewriteReplacesAndAFailedOneLeavesTheOldFile) {
    init(1);
    ArrayPtr first = chars("first"), second = doubles({2, 2.5});
    ASSERT_EQ(write("t.dat", first.get()), 0);
    ASSERT_EQ(write("t.dat", second.get()), 0);
    TreePtr back;
    ASSERT_EQ(read("t.dat", &back), 0);
    EXPECT_TRUE(sameArray(second.get(), back.get()));
    {
        // A reader holding the file keeps it from being deleted: the rewrite fails and the old
        // content stays readable, the complete new one waiting beside it.
        platform::File holder;
        ASSERT_EQ(platform::File::open("t.dat", platform::kRead, platform::kShareRead,
                                       platform::Disposition::OpenExisting, holder),
                  platform::kOk);
        EXPECT_EQ(write("t.dat", first.get()), 10039);
        ASSERT_EQ(read("t.dat", &back), 0);
        EXPECT_TRUE(sameArray(second.get(), back.get()));
        EXPECT_TRUE(exists("t.NEW"));
    }
    fs::remove(env.file("t.NEW"));
    fs::create_directory(env.file("t.NEW"));  // the temporary name is taken
    EXPECT_EQ(write("t.dat", first.get()), 10039);
    ASSERT_EQ(read("t.dat", &back), 0);
    EXPECT_TRUE(sameArray(second.get(), back.get()));
}

TEST_F(ScarFile, AWriteThatStaysShortGivesUpAfterThreeAttempts) {
    init(1, "", "0x00020004");
    writeFile(env.file("ro.dat"), "");
    platform::File readOnly;  // every write fails
    ASSERT_EQ(platform::File::open("ro.dat", platform::kRead, platform::kShareReadWrite,
                                   platform::Disposition::OpenExisting, readOnly),
              platform::kOk);
    EXPECT_EQ(RetryHWrite(readOnly, "QUIRVEX", 7), 10103u);
    const std::string text = log();
    size_t first = text.find("RetryHWrite: WriteFile res "), count = 0;
    for (size_t at = first; at != std::string::npos; at = text.find("RetryHWrite: WriteFile res ", at + 1)) ++count;
    EXPECT_EQ(count, 3u) << text;
    EXPECT_NE(text.find("asked 7 written 0"), std::string::npos);
    EXPECT_NE(text.find("RetryHWrite: retrying 1"), std::string::npos);
    EXPECT_EQ(text.find("RetryHWrite: retrying 2"), std::string::npos);
}

TEST_F(ScarFile, BeforeInitOnlyReadingWorks) {
    ArrayPtr data = ints({4, 5});
    EXPECT_EQ(write("early.dat", data.get()), 10006);
    init(0);
    ASSERT_EQ(write("early.dat", data.get()), 0);
    NamedObject* root = nullptr;
    ASSERT_EQ(LocateObject(".", kAnyKind, root), kOk);
    DestroyObject(root);
    TreePtr back;
    ASSERT_EQ(read("early.dat", &back), 0);
    EXPECT_TRUE(sameArray(data.get(), back.get()));
}

TEST_F(ScarFile, CharacterDataOfAnotherSetIsTranslated) {
    // In OTHER, byte 'a' is the character that DYALOG has at 'Z' (and 'Z' the one DYALOG has at 'a').
    init(0, "[Charsets]\nDYALOG=DYALOG\nHOST=DYALOG\n" + charsetSection("DYALOG", {}) +
                charsetSection("OTHER", {{'a', 'Z'}, {'Z', 'a'}}) + charsetSection("NODEF", {}, false));
    for (auto [set, expected, code] : {std::tuple{"OTHER", "ZbZ", 0}, {"DYALOG", "aba", 0}, {"NODEF", "", 10036}}) {
        SCOPED_TRACE(set);
        ScarWriter w('L', set);
        size_t n = w.node(kSqChar, {3}, 3);
        std::memcpy(&w.bytes[w.data(n)], "aba", 3);
        writeFile(env.file("text.dat"), "QUIRVEX 00 00 00" + std::string(w.bytes.begin(), w.bytes.end()));
        TreePtr back;
        ASSERT_EQ(read("text.dat", &back), code);
        if (code == 0) {
            EXPECT_EQ(textOf(back.get()), expected);
        }
    }
}

// Rewrites the target alternately with two arrays until told how often.
ZRT_CHILD_ROLE(rewriter) {
    if (Init("", nullptr) != 0) return 2;
    ArrayPtr name = chars("shared.dat");
    ArrayPtr versions[2] = {chars(std::string(100000, 'a')), doubles({1, 2, 3})};
    int written = 0;
    for (int k = 0; k < std::stoi(args.at(0)); ++k) {
        ArrayPtr r(FileWrite(name.get(), versions[k % 2].get()));
        if (codeOf(r.get()) == 0) ++written;  // 10039 while a reader holds the target
    }
    return written > 0 ? 0 : 1;
}

TEST_F(ScarFile, ReadersNeverSeeAHalfWrittenFile) {
    init(1);
    ArrayPtr versions[2] = {chars(std::string(100000, 'a')), doubles({1, 2, 3})};
    ASSERT_EQ(write("shared.dat", versions[1].get()), 0);
    ChildProcess writer = ChildProcess::start("rewriter", {"300"});
    ASSERT_TRUE(writer.started());
    int seen[2] = {0, 0}, absent = 0;
    for (int k = 0; k < 3000 && (seen[0] == 0 || k < 300); ++k) {
        TreePtr back;
        int32_t code = read("shared.dat", &back);
        if (code == 10039) {
            ++absent;  // between the delete and the rename
            continue;
        }
        ASSERT_EQ(code, 0);
        bool first = sameArray(versions[0].get(), back.get());
        ASSERT_TRUE(first || sameArray(versions[1].get(), back.get()));
        ++seen[first ? 0 : 1];
    }
    EXPECT_EQ(writer.wait(), 0);
    EXPECT_GT(seen[0] + seen[1], 0);
    EXPECT_EQ(log().find("Invalid SCAR"), std::string::npos) << log();
    std::cout << "complete reads " << seen[0] << " + " << seen[1] << ", missing " << absent << "\n";
}

// A file written by the 32-bit build: the 64-bit build reads the same array from it and
// writes the same bytes, so files go both ways.
const std::string kSample = (fs::path(__FILE__).parent_path() / "data" / "sample32.scar").string();

TEST_F(ScarFile, FileOfTheThirtyTwoBitBuildReadsAndIsWrittenAlike) {
    init(1);
    ASSERT_TRUE(exists(kSample));
    TreePtr back;
    ASSERT_EQ(read(kSample, &back), 0);
    ArrayPtr expected = sampleArray();
    EXPECT_TRUE(sameArray(expected.get(), back.get()));
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
