// Randomly damaged SCAR and packed buffers end in a code, never in a crash, a hang or a leak
// (run under the sanitizers).
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "fastpath/byte_order.h"
#include "fastpath/packed.h"
#include "fastpath/scar.h"
#include "scar_writer.h"
#include "support/arrays.h"
#include "zrt32.h"

namespace zrt {
namespace {

using namespace test;

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

TEST(Corruption, DamagedScarBuffersGiveCodes) {
    ScarBuffer own;
    ASSERT_EQ(EncodeScar(sampleArray().get(), own), kOk);
    const std::vector<uint8_t> sources[] = {
        std::vector<uint8_t>(own.bytes.get(), own.bytes.get() + own.size),
        everyNodeType('B', "OTHER"), textForm(everyNodeType('B', "OTHER"))};
    std::mt19937 random(20261205);
    uint8_t table[256];
    for (int b = 0; b < 256; ++b) table[b] = static_cast<uint8_t>(255 - b);
    for (int k = 0; k < 3000; ++k) {
        std::vector<uint8_t> bytes = sources[k % 3];
        corrupt(bytes, random, k % 2 ? 0 : 8);
        TreePtr out;
        Code code = decode(bytes, out, k % 5 ? nullptr : table);
        EXPECT_TRUE(code == kOk || code == kFileError || code == kNoMemory || code == kNoDefaultChar) << code;
        EXPECT_EQ(code == kOk, out != nullptr);
    }
}

TEST(Corruption, DamagedPackedBuffersGiveCodes) {
    ArrayPtr a = args(chars("FileRead"), sampleArray());
    std::vector<uint8_t> good(4 * PackedWords(a.get()));
    Pack(a.get(), good.data());
    std::mt19937 random(11);
    for (int k = 0; k < 6000; ++k) {
        std::vector<uint8_t> bytes = good;
        corrupt(bytes, random, 0);
        uint32_t size = 0;
        Code code = PackedSize(bytes.data(), bytes.size(), size);
        EXPECT_TRUE(code == kOk || code == kBadType) << code;
        TreePtr out;
        code = Unpack(bytes.data(), bytes.size(), out);
        EXPECT_TRUE(code == kOk || code == kBadType || code == kNoMemory) << code;
        if (k % 20 == 0) {  // and whole requests through the gate
            void* buffer = APLUnPack(bytes.data(), static_cast<uint32_t>(bytes.size()), nullptr);
            void *variable = buffer, *result = XC(&variable);
            uint32_t resultSize = 0;
            EXPECT_EQ(APLCalcSize(&result, &resultSize), 0u);
            APLFreeRes(result);
            APLFreeRes(buffer);
        }
    }
}

}  // namespace
}  // namespace zrt
