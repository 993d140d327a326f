#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "fastpath/packed.h"
#include "fastpath/packed_buffers.h"
#include "scar_writer.h"
#include "support/arrays.h"
#include "support/library_env.h"
#include "zrt32.h"

namespace zrt {
namespace {

using namespace test;

// The array a packed result holds, copied out with APLCalcSize and APLPack as APL code would.
TreePtr resultOf(void* buffer) {
    uint32_t size = 0;
    EXPECT_EQ(APLCalcSize(&buffer, &size), 0u);
    std::vector<uint8_t> bytes(size);
    EXPECT_EQ(APLPack(&buffer, &size, bytes.data()), 0u);
    TreePtr out;
    EXPECT_EQ(Unpack(bytes.data(), bytes.size(), out), kOk);
    return out;
}

// Runs a request through XC as APL code would hand it over, packed and copied in by
// APLUnPack; the result, with both buffers released.
TreePtr call(const APLArray* request) {
    std::vector<uint8_t> bytes(4 * PackedWords(request));
    Pack(request, bytes.data());
    void* buffer = APLUnPack(bytes.data(), static_cast<uint32_t>(bytes.size()), nullptr);
    void* variable = buffer;
    void* result = XC(&variable);
    EXPECT_EQ(variable, result);
    TreePtr out = resultOf(result);
    EXPECT_EQ(APLFreeRes(result), 0u);
    EXPECT_EQ(APLFreeRes(buffer), 0u);
    return out;
}

ArrayPtr errorOf(int32_t code) { return ints({20, code}); }

class CallGate : public ::testing::Test {
protected:
    void SetUp() override {
        env.writeIdentityTranslation();
        ASSERT_EQ(env.init(), 0u);
    }
    LibraryEnv env;
};

TEST_F(CallGate, RequestsItCannotCallGiveTheErrorResult) {
    uint32_t matrix[2] = {1, 8}, zero = 0;
    ArrayPtr nameMatrix(AllocArray(kChar, 2, matrix));
    std::memcpy(dataOf(nameMatrix.get()), "FileRead", 8);
    // docs/fastpath.md runs too many arguments and a plain-argument export.
    std::tuple<const char*, ArrayPtr, int32_t> cases[] = {
        {"request of rank 2", std::move(nameMatrix), 10002},
        {"name of 100 characters", chars(std::string(100, 'F')), 10001},
        {"names are exact", chars("fileread"), 10003},
        {"an empty request", ArrayPtr(AllocArray(kNested, 1, &zero)), 10001},
    };
    for (auto& [name, request, code] : cases) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(sameArray(errorOf(code).get(), call(request.get()).get()));
    }
}

// docs/fastpath.md runs a null buffer.
TEST_F(CallGate, BuffersItDidNotMakeOrCannotReadAreRefused) {
    auto expectRefused = [](void* r) {
        EXPECT_TRUE(sameArray(errorOf(10004).get(), resultOf(r).get()));
        APLFreeRes(r);
    };
    std::vector<uint8_t> own = {5, 0, 0, 0, 0x1F, 0, 0, 0, 1, 0, 0, 0, 'X', 0, 0, 0};
    void* foreign = own.data();  // not handed out by APLUnPack
    expectRefused(XC(&foreign));
    const uint8_t typeSeven[16] = {5, 0, 0, 0, 0x1F, 7, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0};
    void* damaged = APLUnPack(typeSeven, sizeof typeSeven, nullptr);
    void* variable = damaged;
    expectRefused(XC(&variable));
    uint32_t size = 123;
    EXPECT_EQ(APLCalcSize(&damaged, &size), 10004u);
    APLFreeRes(damaged);
}

TEST(PackedBuffers, TheFallbackBufferIsConstantAndNeverReleased) {
    const uint8_t expected[16] = {0x04, 0, 0, 0, 0x0F, 0x22, 0, 0, 0, 0, 0, 0, 0x14, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(FallbackBuffer(), expected, 16));
    void* fallback = const_cast<uint8_t*>(FallbackBuffer());
    EXPECT_EQ(APLFreeRes(fallback), 0u);
    void* r = XC(&fallback);  // it holds a scalar, which is no request
    EXPECT_TRUE(sameArray(errorOf(10002).get(), resultOf(r).get()));
    APLFreeRes(r);
}

}  // namespace
}  // namespace zrt
