#include "frame/settings.h"

#include <gtest/gtest.h>

#include "frame/log.h"
#include "frame/root.h"
#include "support/library_env.h"
#include "zrt32.h"

namespace zrt {
namespace {

using test::LibraryEnv;

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
    env.setUserValue("Main", "DLLRetryLock", "0");
    env.setUserValue("Main", "DLLScarVersion", "7");
    env.setUserValue("MEMORY", "ChangeList", "no");
    env.setUserValue("MEMORY", "Slack", "250");
    env.setUserValue("MEMORY", "Debug", "0x00010003");
    env.setMachineValue("MEMORY", "AccessSize", "8192");  // only the machine has it
    test::writeFile(env.file("model.ini"), "[Main]\nLocks = shared/locks.log\n");
    ASSERT_EQ(env.init("", "model.ini"), 0u);

    RootObject* root = CurrentRoot();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->iniPath, "model.ini");
    EXPECT_EQ(root->retryLock, 1u);
    EXPECT_EQ(root->scarVersion, 1u);
    EXPECT_EQ(root->changeList, 0u);
    EXPECT_EQ(root->slack, 250u);
    EXPECT_EQ(root->accessSize, 8192u);
    EXPECT_EQ(root->locksFile, "shared/locks.log");
    EXPECT_EQ(DebugMask(), 0x10003u);
    SetDebugMask(0);
}

TEST(Init, NullArgumentsAndNothingConfiguredMeanTheDefaults) {
    LibraryEnv env;
    env.writeIdentityTranslation();
    env.setUserValue("MEMORY", "ChangeList", "yes");
    ASSERT_EQ(Init(nullptr, nullptr), 0u);
    RootObject* root = CurrentRoot();
    EXPECT_EQ(root->registryBase, "Software\\Morvane\\Plenvia8\\Anvelo");
    EXPECT_EQ(root->retryLock, 3u);
    EXPECT_EQ(root->scarVersion, 0u);
    EXPECT_EQ(root->changeList, 1u);
    EXPECT_EQ(root->slack, 100u);
    EXPECT_EQ(root->accessSize, 4096u);
    EXPECT_EQ(root->iniPath, "");
    EXPECT_EQ(root->locksFile, "locks.log");
}

TEST(Init, UsesTheGivenRegistryBaseAndFileSysIni) {
    LibraryEnv env;
    env.writeIdentityTranslation();
    env.setUserValue("Main", "FileSysIni", "from-registry.ini", "Software\\Other");
    env.setUserValue("Main", "DLLRetryLock", "9", "Software\\Other");
    ASSERT_EQ(env.init("Software\\Other"), 0u);
    EXPECT_EQ(CurrentRoot()->registryBase, "Software\\Other");
    EXPECT_EQ(CurrentRoot()->iniPath, "from-registry.ini");
    EXPECT_EQ(CurrentRoot()->retryLock, 9u);
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
        EXPECT_EQ(CurrentRoot()->slack, 100u);
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
