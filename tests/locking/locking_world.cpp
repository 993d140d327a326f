#include "locking_world.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "locking/conflicts.h"
#include "locking/record_io.h"
#include "zrt32.h"

namespace zrt::test {

// The commands of a child, each one result line:
//   login NAME                 code slot
//   lock NAME LIB DT MODE      code handle-or-key user-name
//   logout SLOT                code
//   holdfile PATH              code         (opens PATH exclusively and keeps it open)
//   signal WHAT                             (creates NAME.WHAT)
//   wait WHAT                               (waits for NAME.WHAT, made by the test)
//   hold                                    (waits until killed)
ZRT_CHILD_ROLE(locker) {
    const std::string name = args.at(0);
    std::ofstream out(name + ".out", std::ios::app | std::ios::binary);
    SetRandomSleepSpan(20);
    if (Init("", "zrt32.ini") != 0) return 1;
    int32_t slot = -1;
    platform::File held;
    for (size_t k = 1; k < args.size(); ++k) {
        std::istringstream command(args[k]);
        std::string verb, a;
        int32_t lib = 0, dt = 0;
        uint32_t mode = 0;
        command >> verb >> a >> lib >> dt >> mode;
        if (verb == "login") {
            out << LogIn(0, &slot, a.c_str()) << " " << slot << std::endl;
        } else if (verb == "lock") {
            char user[kUserNameSize] = {};
            int32_t value = 0;
            out << LockNLD(a.c_str(), lib, dt, mode, &value, user) << " " << value << " " << user
                << std::endl;
        } else if (verb == "logout") {
            out << LogOut(std::stoi(a)) << std::endl;
        } else if (verb == "holdfile") {
            out << platform::File::open(a, platform::kReadWrite, platform::kShareNone,
                                        platform::Disposition::OpenAlways, held)
                << std::endl;
        } else if (verb == "signal") {
            writeFile(name + "." + a, "");
        } else if (verb == "wait") {
            if (!waitForFile(name + "." + a, 60000)) return 2;
        } else if (verb == "hold") {
            for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
        }
    }
    return 0;
}

LockingWorld::LockingWorld(const WorldOptions& options) {
    writeIni(options);
    env_.setUserValue("Main", "DLLRetryLock", std::to_string(options.retryLock));
    env_.setUserValue("MEMORY", "Debug", std::to_string(options.debugMask));
    env_.writeIdentityTranslation();
    SetRandomSleepSpan(20);
    env_.init("", "zrt32.ini");
}

LockingWorld::~LockingWorld() { SetRandomSleepSpan(0); }

void LockingWorld::writeIni(const WorldOptions& o) {
    writeFile(file("zrt32.ini"), "[Main]\nMaxUsers=" + std::to_string(o.maxUsers) +
                                     "\nUseMultipleLocks=" + (o.multipleLocks ? "Yes" : "No") +
                                     "\nLogins=" + o.logins + "\nLocks=" + o.locks + "\n");
}

UserEntry LockingWorld::user(int32_t slot) const {
    std::string bytes = readFile(file("Users.log"));
    size_t at = size_t(slot) * kUserRecordSize;
    if (at + kUserRecordSize > bytes.size()) return UserEntry{};
    return DecodeUser(reinterpret_cast<const uint8_t*>(bytes.data() + at));
}

std::vector<LockEntry> LockingWorld::locks(const std::string& name) const {
    std::string bytes = readFile(file(name));
    std::vector<LockEntry> out;
    for (size_t at = 0; at + kLockRecordSize <= bytes.size(); at += kLockRecordSize)
        out.push_back(DecodeLock(reinterpret_cast<const uint8_t*>(bytes.data() + at)));
    return out;
}

int32_t logIn(const char* name) {
    int32_t slot = -1;
    EXPECT_EQ(LogIn(0, &slot, name), 0u) << name;
    return slot;
}

std::string nameInLockFile(uint32_t number, const std::string& prefix) {
    for (int k = 0;; ++k) {
        std::string name = prefix + std::to_string(k);
        if (LockFileNo(name.c_str(), 1, 1) == number) return name;
    }
}

}  // namespace zrt::test
