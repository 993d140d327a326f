#include "frame/settings.h"

#include <gtest/gtest.h>

#include <tuple>

#include "arrayfile/objects.h"
#include "fastpath/scar_file.h"
#include "frame/log.h"
#include "frame/root.h"
#include "locking/lock_file.h"
#include "support/library_env.h"
#include "zrt32.h"

namespace zrt {
namespace {

using test::LibraryEnv;

// retryLock, scarVersion, changeList, slack, accessSize
std::tuple<uint32_t, uint32_t, uint32_t, uint32_t, uint32_t> numbers(const RootObject* r) {
    return {r->locking->retryLock, r->scar->version, r->arrays->changeList, r->arrays->slack,
            r->arrays->accessSize};
}

TEST(ParseSettingNumber, FollowsThePrefixRules) {
    const std::pair<const char*, uint32_t> cases[] = {
        {"100", 100}, {"  42", 42},          {"0x00010003", 0x10003}, {"0X1f", 31},
        {"017", 15},  {"09", 0},             {"12abc", 12},           {"abc", 0},
        {"", 0},      {"-1", 0xFFFFFFFFu},   {"99999999999", 0xFFFFFFFFu},
    };
    for (auto [text, value] : cases) EXPECT_EQ(ParseSettingNumber(text), value) << text;
}

TEST(Init, ReadsEverySettingWithItsParsing) {
    LibraryEnv env;
    env.writeIdentityTranslation();
    env.setUserValue("Main", "DLLRetryLock", "0");  // at least one try
    env.setUserValue("Main", "DLLScarVersion", "7");
    env.setUserValue("MEMORY", "ChangeList", "no");
    env.setUserValue("MEMORY", "Slack", "250");
    env.setUserValue("MEMORY", "Debug", "0x00010003");
    env.setMachineValue("MEMORY", "AccessSize", "8192");  // only the machine has it
    test::writeFile(env.file("model.ini"), "[Main]\nLocks = shared/locks.log\n");
    ASSERT_EQ(env.init("", "model.ini"), 0u);
    EXPECT_EQ(CurrentRoot()->iniPath, "model.ini");
    EXPECT_EQ(numbers(CurrentRoot()), std::make_tuple(1u, 1u, 0u, 250u, 8192u));
    EXPECT_EQ(CurrentRoot()->locking->locksFile, "shared/locks.log");
    EXPECT_EQ(DebugMask(), 0x10003u);
    SetDebugMask(0);
}

TEST(Init, TakesTheGivenRegistryBaseOrTheDefaultOne) {
    {
        LibraryEnv env;
        env.writeIdentityTranslation();
        env.setUserValue("MEMORY", "ChangeList", "yes");
        ASSERT_EQ(Init(nullptr, nullptr), 0u);
        EXPECT_EQ(CurrentRoot()->registryBase, "Software\\Morvane\\Plenvia8\\Anvelo");
        EXPECT_EQ(numbers(CurrentRoot()), std::make_tuple(3u, 0u, 1u, 100u, 4096u));
        EXPECT_EQ(CurrentRoot()->iniPath, "");
        EXPECT_EQ(CurrentRoot()->locking->locksFile, "locks.log");
    }
    LibraryEnv env;
    env.writeIdentityTranslation();
    env.setUserValue("Main", "FileSysIni", "from-registry.ini", "Software\\Other");
    env.setUserValue("Main", "DLLRetryLock", "9", "Software\\Other");
    ASSERT_EQ(env.init("Software\\Other"), 0u);
    EXPECT_EQ(CurrentRoot()->iniPath, "from-registry.ini");
    EXPECT_EQ(CurrentRoot()->locking->retryLock, 9u);
}

TEST(ReadSetting, ValueTooLongForTheBufferCountsAsMissing) {
    LibraryEnv env;
    env.setUserValue("Main", "Long", std::string(20, 'x'));
    char buffer[16];
    EXPECT_EQ(ReadSetting("Main", "Long", "short", buffer, sizeof buffer, nullptr), 5u);
    EXPECT_STREQ(buffer, "short");
    EXPECT_EQ(ReadSetting("Main", "Long", "0123456789abcdefXYZ", buffer, sizeof buffer, nullptr),
              15u);  // the default is cut to size - 1
    EXPECT_STREQ(buffer, "0123456789abcde");
}

TEST(Init, BadFilesGiveDefaultsOrFailWithoutARoot) {
#ifndef _WIN32  // the registry is no file on Windows
    {
        LibraryEnv env;
        env.writeIdentityTranslation();
        test::writeFile(env.file("hkcu.ini"), std::string("\0\xff[\n=\n[[]]\nSlack\n=5\n", 20) +
                                                  std::string(100000, 'x'));
        EXPECT_EQ(env.init(), 0u);
        EXPECT_EQ(CurrentRoot()->arrays->slack, 100u);
    }
#endif
    LibraryEnv env;  // no APLUNICD.INI: the sets default to NONAME and NOHOST
    EXPECT_EQ(env.init(), 10036u);
    EXPECT_EQ(CurrentRoot(), nullptr);
    env.writeIdentityTranslation();
    EXPECT_EQ(env.init(), 0u);  // a later Init starts again
}

}  // namespace
}  // namespace zrt
