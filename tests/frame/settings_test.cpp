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
        {"100", 100},         {"  42", 42},          {"0x00010003", 0x10003},
        {"0X1f", 31},         {"017", 15},           {"09", 0},  // octal stops at 9
        {"12abc", 12},        {"abc", 0},            {"", 0},
        {"-1", 0xFFFFFFFFu},  {"+7", 7},             {"99999999999", 0xFFFFFFFFu},
        {"0x", 0},
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
    EXPECT_EQ(root->registryBase, "Software\\Morvane\\Plenvia8\\Anvelo");
    EXPECT_EQ(root->iniPath, "model.ini");
    EXPECT_EQ(root->retryLock, 1u);
    EXPECT_EQ(root->scarVersion, 1u);
    EXPECT_EQ(root->changeList, 0u);
    EXPECT_EQ(root->slack, 250u);
    EXPECT_EQ(root->accessSize, 8192u);
    EXPECT_EQ(root->locksFile, "shared/locks.log");
    EXPECT_EQ(DebugMask(), 0x10003u);
    EXPECT_TRUE(LogEnabled(0, kLogLocking, 3));
    SetDebugMask(0);
}

TEST(Init, DefaultsWhenNothingIsConfigured) {
    LibraryEnv env;
    env.writeIdentityTranslation();
    env.setUserValue("MEMORY", "ChangeList", "yes");
    ASSERT_EQ(env.init(), 0u);
    RootObject* root = CurrentRoot();
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

TEST(ReadSetting, LogsAMissingValueOnlyForTheRegistryCategory) {
    LibraryEnv env;
    char buffer[16];
    ReadSetting("Main", "Missing", "d", buffer, sizeof buffer, nullptr);
    EXPECT_FALSE(test::exists(kLogFileName));
    SetDebugMask(0x30003);
    ReadSetting("Main", "Missing", "d", buffer, sizeof buffer, nullptr);
    SetDebugMask(0);
    std::string log = test::readFile(kLogFileName);
    EXPECT_NE(log.find("  Error in RegOpenKey: 2\n"), std::string::npos) << log;
    EXPECT_NE(log.find("  Path:Software\\Morvane\\Plenvia8\\Anvelo\\Main\n"), std::string::npos);
    EXPECT_NE(log.find("  Key:Missing\n"), std::string::npos);
}

TEST(Init, RepeatedCallKeepsSettingsAndRotatesAgain) {
    LibraryEnv env;
    env.writeIdentityTranslation();
    env.setUserValue("MEMORY", "Slack", "5");
    test::writeFile("aplsrv.log", "first\n");
    test::writeFile("aplsrv03.log", "oldest\n");
    ASSERT_EQ(env.init(), 0u);
    EXPECT_EQ(test::readFile("aplsrv01.log"), "first\n");
    EXPECT_FALSE(test::exists("aplsrv.log"));

    env.setUserValue("MEMORY", "Slack", "6");
    test::writeFile("aplsrv.log", "second\n");
    EXPECT_EQ(env.init(), 10011u);
    EXPECT_EQ(CurrentRoot()->slack, 5u);
    EXPECT_EQ(test::readFile("aplsrv01.log"), "second\n");
    EXPECT_EQ(test::readFile("aplsrv02.log"), "first\n");
    EXPECT_FALSE(test::exists("aplsrv04.log"));
}

TEST(Init, MissingTranslationFileFailsAndLeavesNoRoot) {
    LibraryEnv env;  // no APLUNICD.INI: the sets default to NONAME and NOHOST
    EXPECT_EQ(env.init(), 10036u);
    EXPECT_EQ(CurrentRoot(), nullptr);
    env.writeIdentityTranslation();
    EXPECT_EQ(env.init(), 0u);  // a later Init starts again
}

}  // namespace
}  // namespace zrt

namespace zrt {
namespace {

TEST(Init, NullArgumentsMeanTheDefaults) {
    test::LibraryEnv env;
    env.writeIdentityTranslation();
    EXPECT_EQ(Init(nullptr, nullptr), 0u);
    EXPECT_EQ(CurrentRoot()->registryBase, "Software\\Morvane\\Plenvia8\\Anvelo");
}

TEST(Init, GarbageRegistryFileGivesDefaults) {
    test::LibraryEnv env;
    env.writeIdentityTranslation();
    test::writeFile(env.file("hkcu.ini"), std::string("\0\xff[\n=\n[[]]\nSlack\n=5\n", 20) +
                                              std::string(100000, 'x'));
    EXPECT_EQ(env.init(), 0u);
    EXPECT_EQ(CurrentRoot()->slack, 100u);
}

}  // namespace
}  // namespace zrt
