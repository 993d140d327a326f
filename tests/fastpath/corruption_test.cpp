// Damaged input of every kind ends in a code, never in a crash, a hang or a leak: random
// corruption of valid SCAR buffers, SCAR files and packed buffers (run under the sanitizers).
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <vector>

#include "fastpath/byte_order.h"
#include "fastpath/packed.h"
#include "fastpath/scar.h"
#include "scar_writer.h"
#include "support/arrays.h"
#include "support/library_env.h"
#include "zrt32.h"

namespace zrt {
namespace {

using namespace test;

ArrayPtr richArray() {
    uint32_t shape[2] = {3, 2}, zero = 0;
    ArrayPtr matrix(AllocArray(kDouble, 2, shape));
    for (uint32_t k = 0; k < 6; ++k) setDoubleAt(dataOf(matrix.get()), k, k * 1.25);
    return args(chars("Region"), std::move(matrix), bools({1, 0, 1}), ints({-1, 70000}),
                ArrayPtr(AllocArray(kNested, 1, &zero)),
                args(charScalar('q'), args(chars("deep"), intScalar(3))));
}

// A big-endian tree holding the node types that only other writers produce.
std::vector<uint8_t> foreignTree() {
    ScarWriter w('B', "OTHER");
    size_t root = w.node(kSqNested, {4}, 16);
    size_t apv = w.node(kSqApvInt, {5}, 8);
    w.word(w.data(apv), 1), w.word(w.data(apv) + 4, 3);
    size_t cplx = w.node(kSqComplex, {1}, 16);
    w.real(w.data(cplx), 1), w.real(w.data(cplx) + 8, -1);
    size_t het = w.node(kSqHetero, {3}, 30);
    w.bytes[w.data(het)] = kSqInt16, w.half(w.data(het) + 2, 500);
    w.bytes[w.data(het) + 10] = kSqChar, w.bytes[w.data(het) + 12] = 'z';
    w.bytes[w.data(het) + 20] = kSqNested;
    size_t wide = w.node(kSqChar16, {2}, 4);
    w.word(w.data(het) + 22, static_cast<uint32_t>(wide - het));
    size_t boxed = w.node(kSqBoxed, {1}, 4);
    w.link(root, 0, apv), w.link(root, 1, cplx), w.link(root, 2, het), w.link(root, 3, boxed);
    return w.bytes;
}

// One to four random changes: a byte replaced, a bit flipped, a word set to a telling value,
// or the end cut off.
void corrupt(std::vector<uint8_t>& bytes, std::mt19937& random, size_t keep) {
    const uint32_t telling[] = {0, 1, 4, 0x7FFFFFFF, 0xFFFFFFFF, 0x10000, static_cast<uint32_t>(bytes.size())};
    for (int n = 1 + random() % 4; n > 0 && bytes.size() > keep; --n) {
        const size_t at = keep + random() % (bytes.size() - keep);
        switch (random() % 4) {
        case 0: bytes[at] = static_cast<uint8_t>(random()); break;
        case 1: bytes[at] ^= static_cast<uint8_t>(1u << random() % 8); break;
        case 2:
            if (at + 4 <= bytes.size()) store32le(&bytes[at & ~size_t(3)], telling[random() % 7]);
            break;
        default: bytes.resize(at); break;
        }
    }
}

void expectCode(Code code, const std::set<Code>& allowed) {
    EXPECT_TRUE(allowed.count(code)) << "code " << code;
}

TEST(Corruption, DamagedScarBuffersGiveCodes) {
    ScarBuffer own;
    ASSERT_EQ(EncodeSCAR(richArray().get(), own), kOk);
    const std::vector<uint8_t> sources[] = {
        std::vector<uint8_t>(own.bytes.get(), own.bytes.get() + own.size), foreignTree(),
        textForm(foreignTree())};
    std::mt19937 random(20261205);
    uint8_t table[256];
    for (int b = 0; b < 256; ++b) table[b] = static_cast<uint8_t>(255 - b);
    for (int k = 0; k < 3000; ++k) {
        std::vector<uint8_t> bytes = sources[k % 3];
        corrupt(bytes, random, k % 2 ? 0 : 8);
        ByteSpan span{bytes.data(), bytes.size()};
        std::unique_ptr<uint8_t[]> decoded;
        TreePtr out;
        Code code = XSCARDecode(span, 'L', k % 5 ? nullptr : table, decoded);
        if (code == kOk) code = SCARToAPL(span, kScarHeaderSize, out);
        expectCode(code, {kOk, kFileError, kNoMemory, kNoDefaultChar});
        EXPECT_EQ(code == kOk, out != nullptr);
    }
}

TEST(Corruption, DamagedScarFilesGiveCodes) {
    LibraryEnv env;
    env.writeIdentityTranslation();
    ASSERT_EQ(env.init(), 0u);
    ArrayPtr name = chars("damaged.dat");
    ArrayPtr written(FileWrite(name.get(), richArray().get()));
    ASSERT_EQ(codeOf(written.get()), 0);
    const std::string good = readFile("damaged.dat");
    std::mt19937 random(7);
    for (int k = 0; k < 400; ++k) {
        std::vector<uint8_t> bytes(good.begin(), good.end());
        corrupt(bytes, random, k % 4 ? 16 : 0);  // mostly behind the identifier
        writeFile(env.file("damaged.dat"), std::string(bytes.begin(), bytes.end()));
        TreePtr r(FileRead(name.get()));
        expectCode(codeOf(r.get()), {0, 10012, 10036, 10039});
    }
}

TEST(Corruption, DamagedPackedBuffersGiveCodes) {
    ArrayPtr a = args(chars("FileRead"), richArray());
    std::vector<uint8_t> good(4 * PackedWords(a.get()));
    Pack(a.get(), good.data());
    std::mt19937 random(11);
    for (int k = 0; k < 6000; ++k) {
        std::vector<uint8_t> bytes = good;
        corrupt(bytes, random, 0);
        uint32_t size = 0;
        expectCode(PackedSize(bytes.data(), bytes.size(), size), {kOk, kBadType});
        TreePtr out;
        Code code = Unpack(bytes.data(), bytes.size(), out);
        expectCode(code, {kOk, kBadType, kNoMemory});
        if (k % 20 == 0) {  // and whole requests through the gate
            void* buffer = APLUnPack(bytes.data(), static_cast<uint32_t>(bytes.size()), nullptr);
            void* variable = buffer;
            void* result = XC(&variable);
            uint32_t resultSize = 0;
            EXPECT_EQ(APLCalcSize(&result, &resultSize), 0u);
            APLFreeRes(result);
            APLFreeRes(buffer);
        }
    }
}

}  // namespace
}  // namespace zrt
