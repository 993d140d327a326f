#include <gtest/gtest.h>
#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <signal.h>
#include <sys/mman.h>
#endif

#include "platform/platform.h"
#include "support/test_support.h"

using namespace platform;

namespace {

struct ForbiddenPage {
#ifdef _WIN32
    ForbiddenPage() { page_ = VirtualAlloc(nullptr, 4096, MEM_RESERVE | MEM_COMMIT, PAGE_NOACCESS); }
    ~ForbiddenPage() { VirtualFree(page_, 0, MEM_RELEASE); }
#else
    ForbiddenPage() { page_ = mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0); }
    ~ForbiddenPage() { munmap(page_, 4096); }
#endif
    void touch() const { static_cast<volatile char*>(page_)[0] = 1; }
    void* page_;
};

// A guarded fault, then the same fault outside any guard, which must end the process as a
// fault does when nobody catches it. 3: the guard missed the fault; 4: the process lived on.
ZRT_CHILD_ROLE(fault_after_guard) {
    ForbiddenPage page;
    auto faulty = [&] { page.touch(); };
    if (guardFaults(faulty)) return 3;
    page.touch();
    return 4;
}

// An inner guard, whether it caught a fault or not, hands faults back to the outer one.
TEST(Faults, AnAccessViolationEndsTheInnermostGuardedBodyWithFalse) {
    ForbiddenPage page;
    int reached = 0;
    auto faulty = [&] {
        reached = 1;
        page.touch();
        reached = 2;
    };
    auto outer = [&] {
        EXPECT_FALSE(guardFaults(faulty));
        EXPECT_EQ(reached, 1);
        page.touch();
    };
    EXPECT_FALSE(guardFaults(outer));
    auto fine = [] {};
    EXPECT_TRUE(guardFaults(fine));
}

TEST(Faults, ReadingAMappedFileThatShrankEndsTheBodyWithFalse) {
    zrt::test::TempDir dir;
    File f;
    ASSERT_EQ(File::open(dir.file("f"), kReadWrite, kShareReadWrite, Disposition::CreateNew, f),
              kOk);
    uint32_t put = 0;
    ASSERT_EQ(f.writeAt(65535, "x", 1, put), kOk);
    Mapping m;
    ASSERT_EQ(Mapping::map(f, true, m), kOk);
    ASSERT_EQ(f.seek(0, Whence::Begin), kOk);
#ifdef _WIN32
    EXPECT_EQ(f.setEnd(), 1224u) << "ERROR_USER_MAPPED_FILE";
    GTEST_SKIP() << "Windows refuses to cut a file while a view of it exists, in any process, "
                    "so a view never outlives its bytes";
#endif
    ASSERT_EQ(f.setEnd(), kOk);  // another process could do the same
    volatile uint8_t sum = 0;
    auto body = [&] { sum = sum + m.data()[0]; };
    EXPECT_FALSE(guardFaults(body));
}

TEST(Faults, AFaultOutsideAGuardStillEndsTheProcess) {
    zrt::test::ChildProcess child = zrt::test::ChildProcess::start("fault_after_guard");
    int status = child.wait();
    EXPECT_NE(status, 0);
    EXPECT_NE(status, 3) << "the guard missed its fault";
    EXPECT_NE(status, 4) << "a fault outside the guard was swallowed";
}

#ifndef _WIN32
void customHandler(int) {}
#endif

TEST(Faults, ThePreviousHandlersAreRestored) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no signal handlers to restore; the vectored handler stays "
                    "and passes on faults outside a guard (see the test above)";
#else
    struct sigaction mine {}, before {}, after {};
    mine.sa_handler = customHandler;
    sigemptyset(&mine.sa_mask);
    ASSERT_EQ(sigaction(SIGSEGV, &mine, &before), 0);
    ASSERT_EQ(sigaction(SIGBUS, &mine, nullptr), 0);
    ForbiddenPage page;
    auto faulty = [&] { page.touch(); };
    EXPECT_FALSE(guardFaults(faulty));
    for (int signal : {SIGSEGV, SIGBUS}) {
        sigaction(signal, &before, &after);
        EXPECT_EQ(after.sa_handler, customHandler);
    }
#endif
}

}  // namespace
