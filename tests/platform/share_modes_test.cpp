// Share modes within and across processes, and deletes and moves of files held open.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/platform.h"
#include "support/test_support.h"

using namespace platform;
using zrt::test::ChildProcess;
using zrt::test::TempDir;

namespace {

// Holds path open with access and share until the file args[3] appears; writes the open's
// error number to path.ready, aside and renamed so that it is never read half-written.
ZRT_CHILD_ROLE(hold_open) {
    const std::string& path = args.at(0);
    File f;
    SysError e = File::open(path, std::stoul(args.at(1)), std::stoul(args.at(2)),
                            Disposition::OpenExisting, f);
    zrt::test::writeFile(path + ".ready.tmp", std::to_string(e));
    std::rename((path + ".ready.tmp").c_str(), (path + ".ready").c_str());
    if (e != kOk) return 1;
    if (!zrt::test::waitForFile(args.at(3), 60000)) return 2;
    return f.close() == kOk ? 0 : 3;
}

// Rounds of: open with share mode none, mark being inside with a directory next to the file,
// yield, unmark, close. The exit status counts the rounds that found another's mark.
ZRT_CHILD_ROLE(exclusive_rounds) {
    const std::string& path = args.at(0);
    std::string inside = path + ".inside";
    int overlaps = 0;
    for (int done = 0; done < 150;) {
        File f;
        SysError e = File::open(path, kReadWrite, kShareNone, Disposition::OpenAlways, f);
        if (e == kSharingViolation) {
            zrt::test::pauseMicroseconds(100);
            continue;
        }
        if (e != kOk) return 101;
        std::error_code ec;
        bool alone = std::filesystem::create_directory(inside, ec);
        zrt::test::pauseMicroseconds(50);
        if (alone) std::filesystem::remove(inside, ec);
        else ++overlaps;
        ++done;
    }
    return std::min(overlaps, 100);
}

ZRT_CHILD_ROLE(delete_rounds) {
    for (int k = 0; k < 2000; ++k) {
        deleteFile(args.at(0));
        zrt::test::pauseMicroseconds(20);
    }
    return 0;
}

// A child that holds path open; report is its open's error number ("0": it holds the file).
struct Holder {
    Holder(const std::string& path, uint32_t access, uint32_t share) : release(path + ".release") {
        child = ChildProcess::start("hold_open", {path, std::to_string(access),
                                                  std::to_string(share), release});
        // Under wine the renamed report can be seen a moment before it can be read.
        for (int tries = 0; tries < 1000 && zrt::test::waitForFile(path + ".ready"); ++tries) {
            if (!(report = zrt::test::readFile(path + ".ready")).empty()) break;
            zrt::test::pauseMicroseconds(10000);
        }
    }
    int letGo() {
        zrt::test::writeFile(release, "");
        return child.wait();
    }
    std::string release, report = "no report";
    ChildProcess child;
};

SysError openError(const std::string& path, uint32_t access, uint32_t share,
                   Disposition disposition = Disposition::OpenExisting) {
    File f;
    return File::open(path, access, share, disposition, f);
}

// The rules that the opens of other processes below leave out.
TEST(ShareModes, ConflictsFollowTheWindowsRuleWithinOneProcess) {
    TempDir dir;
    std::string path = dir.file("f");
    zrt::test::writeFile(path, "x");
    {
        File writer;
        ASSERT_EQ(File::open(path, kWrite, kShareReadWrite, Disposition::OpenExisting, writer),
                  kOk);
        EXPECT_EQ(openError(path, kRead, kShareRead), kSharingViolation) << "no denying a writer";
    }
    {
        File reader;
        ASSERT_EQ(File::open(path, kRead, kShareWrite, Disposition::OpenExisting, reader), kOk);
        EXPECT_EQ(openError(path, kWrite, kShareReadWrite), kOk) << "write share lets a writer in";
        EXPECT_EQ(openError(path, kRead, kShareReadWrite), kSharingViolation) << "not a reader";
    }
    EXPECT_EQ(openError(path, kReadWrite, kShareNone), kOk) << "every open was released";
}

TEST(ShareModes, ExclusiveOpenInAnotherProcessBlocksUntilItClosesOrDies) {
    for (bool killed : {false, true}) {
        SCOPED_TRACE(killed ? "killed" : "closed");
        TempDir dir;
        std::string path = dir.file("user.log");
        zrt::test::writeFile(path, "1234");
        Holder holder(path, kReadWrite, kShareNone);
        ASSERT_EQ(holder.report, "0");
        EXPECT_EQ(openError(path, kRead, kShareReadWrite), kSharingViolation);
        EXPECT_EQ(openError(path, kReadWrite, kShareNone, Disposition::CreateAlways),
                  kSharingViolation);
        if (killed) holder.child.kill();
        EXPECT_EQ(killed ? 0 : holder.letGo(), 0);
        EXPECT_EQ(zrt::test::readFile(path), "1234") << "a refused CreateAlways empties nothing";
        EXPECT_EQ(openError(path, kReadWrite, kShareNone), kOk);
    }
}

TEST(ShareModes, OpensInAnotherProcessAllowWhatTheyShareButNeverADeleteOrMove) {
    TempDir dir;
    std::string path = dir.file("held"), moved = dir.file("moved");
    zrt::test::writeFile(path, "content");
    Holder holder(path, kRead, kShareReadWrite);
    ASSERT_EQ(holder.report, "0");
    EXPECT_EQ(openError(path, kReadWrite, kShareReadWrite), kOk);
    EXPECT_EQ(openError(path, kRead, kShareWrite), kSharingViolation)
        << "may not deny the other open's read";
    EXPECT_EQ(deleteFile(path), kSharingViolation) << "Windows would need a delete share";
    EXPECT_EQ(moveFile(path, moved), kSharingViolation);
    EXPECT_EQ(zrt::test::readFile(path), "content");
    EXPECT_EQ(holder.letGo(), 0);
    EXPECT_EQ(moveFile(path, moved), kOk);
}

// The third process opens like the others, or deletes the file between their opens.
TEST(ShareModes, ExclusiveOpensOfSeveralProcessesNeverOverlap) {
    for (const char* third : {"exclusive_rounds", "delete_rounds"}) {
        SCOPED_TRACE(third);
        TempDir dir;
        std::string path = dir.file("contended");
        ChildProcess children[] = {ChildProcess::start("exclusive_rounds", {path}),
                                   ChildProcess::start("exclusive_rounds", {path}),
                                   ChildProcess::start(third, {path})};
        for (ChildProcess& child : children) EXPECT_EQ(child.wait(), 0);
    }
}

TEST(ShareModes, TheFileThatReplacedAHeldOneIsNotHeld) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows cannot rename a file that is held open without delete sharing";
#endif
    TempDir dir;
    std::string path = dir.file("f");
    zrt::test::writeFile(path, "old");
    File held;
    ASSERT_EQ(File::open(path, kRead, kShareNone, Disposition::OpenExisting, held), kOk);
    // Replaced behind the emulation's back (another program): the new file is not held.
    ASSERT_EQ(std::rename(path.c_str(), dir.file("old").c_str()), 0);
    zrt::test::writeFile(path, "new");
    EXPECT_EQ(openError(path, kRead, kShareNone), kOk);
}

}  // namespace
