#include <gtest/gtest.h>

#include <vector>

#include "fastpath/byte_order.h"
#include "fastpath/packed.h"
#include "fastpath/packed_buffers.h"
#include "scar_writer.h"
#include "support/arrays.h"
#include "support/library_env.h"
#include "zrt32.h"

namespace zrt {
namespace {

using namespace test;

// A request as APL code would hand it over: packed, then copied in by APLUnPack.
void* requestOf(const APLArray* a) {
    std::vector<uint8_t> bytes(4 * PackedWords(a));
    Pack(a, bytes.data());
    void* buffer = nullptr;
    EXPECT_EQ(APLUnPack(bytes.data(), static_cast<uint32_t>(bytes.size()), &buffer), buffer);
    return buffer;
}

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

// Runs a request through XC; the result, with both buffers released.
TreePtr call(const APLArray* request) {
    void* buffer = requestOf(request);
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
    ArrayPtr longName = chars(std::string(100, 'F'));
    uint32_t matrix[2] = {1, 8};
    ArrayPtr nameMatrix(AllocArray(kChar, 2, matrix));
    std::memcpy(dataOf(nameMatrix.get()), "FileRead", 8);
    uint32_t zero = 0;
    struct Case {
        const char* name;
        ArrayPtr request;
        int32_t code;
    };
    // The golden script holds a one-argument export given three and a plain-argument export.
    Case cases[] = {
        {"request of rank 2", std::move(nameMatrix), 10002},
        {"name item of rank 0", args(charScalar('F'), ints({1})), 10002},
        {"numeric request", ints({1, 2}), 10004},
        {"numeric name item", args(ints({1}), chars("x")), 10004},
        {"name of 100 characters", std::move(longName), 10001},
        {"name of 99 characters", chars(std::string(99, 'F')), 10003},
        {"no export of that name", chars("Nonesuch"), 10003},
        {"names are exact", chars("fileread"), 10003},
        {"XC itself", chars("XC"), 10003},
        {"two arguments for a one-argument export", args(chars("FileRead"), ints({1}), ints({2})), 10001},
        {"an empty request", ArrayPtr(AllocArray(kNested, 1, &zero)), 10001},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        TreePtr r = call(c.request.get());
        EXPECT_TRUE(sameArray(errorOf(c.code).get(), r.get()));
    }
    // Arguments go last first: (name, data, fileName) calls FileWrite(fileName, data), so the
    // other order hands FileWrite a number for a name, and its own code comes back.
    TreePtr swapped = call(args(chars("FileWrite"), chars("y.dat"), ints({1})).get());
    EXPECT_TRUE(sameArray(ints({10004}).get(), swapped.get()));
}

TEST_F(CallGate, BuffersItDidNotMakeOrCannotReadAreRefused) {
    EXPECT_TRUE(sameArray(errorOf(10004).get(), resultOf(XC(nullptr)).get()));
    void* none = nullptr;
    void* r = XC(&none);
    EXPECT_EQ(none, r);
    EXPECT_TRUE(sameArray(errorOf(10004).get(), resultOf(r).get()));
    APLFreeRes(r);

    std::vector<uint8_t> own = {5, 0, 0, 0, 0x1F, 0, 0, 0, 1, 0, 0, 0, 'X', 0, 0, 0};
    void* foreign = own.data();  // not handed out by APLUnPack
    r = XC(&foreign);
    EXPECT_TRUE(sameArray(errorOf(10004).get(), resultOf(r).get()));
    APLFreeRes(r);

    const uint8_t typeSeven[16] = {5, 0, 0, 0, 0x1F, 7, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0};
    void* damaged = APLUnPack(typeSeven, sizeof typeSeven, nullptr);
    void* variable = damaged;
    r = XC(&variable);
    EXPECT_TRUE(sameArray(errorOf(10004).get(), resultOf(r).get()));
    APLFreeRes(r);
    uint32_t size = 123;
    EXPECT_EQ(APLCalcSize(&damaged, &size), 10004u);
    APLFreeRes(damaged);
}

// The golden script holds a capacity one short and an exact one.
TEST(PackedBuffers, NullSizesAndBuffersAreRefused) {
    void* buffer = requestOf(chars("abc").get());
    std::vector<uint8_t> out(64);
    EXPECT_EQ(APLCalcSize(&buffer, nullptr), 10004u);
    EXPECT_EQ(APLPack(&buffer, nullptr, out.data()), 10004u);
    void* none = nullptr;
    uint32_t capacity = 99;
    EXPECT_EQ(APLPack(&none, &capacity, out.data()), 10004u);
    EXPECT_EQ(capacity, 0u);
    EXPECT_EQ(APLFreeRes(buffer), 0u);
    EXPECT_EQ(APLFreeRes(nullptr), 0u);
}

TEST(PackedBuffers, TheFallbackBufferIsConstantAndNeverReleased) {
    const uint8_t expected[16] = {0x04, 0, 0, 0, 0x0F, 0x22, 0, 0, 0, 0, 0, 0, 0x14, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(FallbackBuffer(), expected, 16));
    void* fallback = const_cast<uint8_t*>(FallbackBuffer());
    EXPECT_EQ(APLFreeRes(fallback), 0u);
    size_t size;
    EXPECT_TRUE(PackedBufferSize(fallback, size));
    // It holds a scalar, which is no request.
    void* variable = fallback;
    void* r = XC(&variable);
    EXPECT_TRUE(sameArray(errorOf(10002).get(), resultOf(r).get()));
    APLFreeRes(r);
}

}  // namespace
}  // namespace zrt
