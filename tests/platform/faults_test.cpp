// The fault guard and the floating-point status.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cfloat>
#include <cmath>

#include "platform/platform.h"
#include "support/test_support.h"

using namespace platform;
using zrt::test::TempDir;

namespace {

// A page that faults on every access.
class ForbiddenPage {
public:
    ForbiddenPage() {
        size_ = static_cast<size_t>(sysconf(_SC_PAGESIZE));
        page_ = mmap(nullptr, size_, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    }
    ~ForbiddenPage() { munmap(page_, size_); }
    volatile char* bytes() const { return static_cast<volatile char*>(page_); }

private:
    void* page_;
    size_t size_;
};

TEST(Faults, AnAccessViolationEndsTheBodyWithFalse) {
    ForbiddenPage page;
    int reached = 0;
    auto body = [&] {
        reached = 1;
        page.bytes()[0] = 1;
        reached = 2;
    };
    EXPECT_FALSE(guardFaults(body));
    EXPECT_EQ(reached, 1);
    auto fine = [&] { reached = 3; };
    EXPECT_TRUE(guardFaults(fine));
    EXPECT_EQ(reached, 3);
}

TEST(Faults, ReadingAMappedFileThatShrankEndsTheBodyWithFalse) {
    TempDir dir;
    File f;
    ASSERT_EQ(File::open(dir.file("f"), kReadWrite, kShareReadWrite, Disposition::CreateNew, f),
              kOk);
    uint32_t put = 0;
    long page = sysconf(_SC_PAGESIZE);
    ASSERT_EQ(f.writeAt(static_cast<uint64_t>(2 * page - 1), "x", 1, put), kOk);
    Mapping m;
    ASSERT_EQ(Mapping::map(f, true, m), kOk);
    ASSERT_EQ(f.seek(0, Whence::Begin), kOk);
    ASSERT_EQ(f.setEnd(), kOk);  // another process could do the same
    volatile uint8_t sum = 0;
    auto body = [&] { sum = sum + m.data()[page]; };
    EXPECT_FALSE(guardFaults(body));
}

TEST(Faults, GuardsNestAndTheInnermostCatches) {
    ForbiddenPage page;
    bool inner = true, afterInner = false;
    auto faulty = [&] { page.bytes()[0] = 1; };
    auto outer = [&] {
        inner = guardFaults(faulty);
        afterInner = true;
    };
    EXPECT_TRUE(guardFaults(outer));
    EXPECT_FALSE(inner);
    EXPECT_TRUE(afterInner);

    auto faultAfterInner = [&] {
        auto fine = [] {};
        inner = guardFaults(fine);
        page.bytes()[0] = 1;
    };
    EXPECT_FALSE(guardFaults(faultAfterInner));
    EXPECT_TRUE(inner);
}

void customHandler(int) {}

TEST(Faults, ThePreviousHandlersAreRestored) {
    struct sigaction mine {}, before {}, after {};
    mine.sa_handler = customHandler;
    sigemptyset(&mine.sa_mask);
    ASSERT_EQ(sigaction(SIGSEGV, &mine, &before), 0);
    ASSERT_EQ(sigaction(SIGBUS, &mine, nullptr), 0);
    ForbiddenPage page;
    auto faulty = [&] { page.bytes()[0] = 1; };
    EXPECT_FALSE(guardFaults(faulty));
    sigaction(SIGSEGV, nullptr, &after);
    EXPECT_EQ(after.sa_handler, customHandler);
    sigaction(SIGBUS, nullptr, &after);
    EXPECT_EQ(after.sa_handler, customHandler);
    sigaction(SIGSEGV, &before, nullptr);
    sigaction(SIGBUS, &before, nullptr);
}

TEST(FloatingPoint, StatusShowsRaisedExceptionsUntilCleared) {
    volatile double zero = 0.0, one = 1.0, big = DBL_MAX, tiny = DBL_MIN;
    struct Case {
        const char* name;
        double (*raise)(double, double, double, double);
        uint32_t expected;
    } const cases[] = {
        {"divide by zero", [](double, double o, double, double) { return o / 0.0; },
         kFpDivideByZero},
        {"invalid", [](double z, double, double, double) { return z / z; }, kFpInvalid},
        {"overflow", [](double, double, double b, double) { return b * 2; },
         kFpOverflow | kFpInexact},
        {"underflow", [](double, double, double, double t) { return t / 3e10; },
         kFpUnderflow | kFpInexact},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fpClear();
        volatile double r = c.raise(zero, one, big, tiny);
        (void)r;
        EXPECT_EQ(fpStatus(), c.expected);
        fpClear();
        EXPECT_EQ(fpStatus(), 0u);
    }
}

}  // namespace
