#include "locking_world.h"

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "frame/log.h"
#include "locking/conflicts.h"
#include "locking/formats.h"
#include "locking/record_io.h"
#include "zrt32.h"

namespace zrt::test {

namespace {

std::vector<std::string> lines(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> out;
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

}  // namespace

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
    std::ofstream out(name + ".out", std::ios::app);
    SetRandomSleepSpan(20);
    if (uint32_t code = Init("", "zrt32.ini")) {
        out << "init " << code << std::endl;
        return 1;
    }
    int32_t slot = -1;
    platform::File held;
    for (size_t k = 1; k < args.size(); ++k) {
        std::istringstream command(args[k]);
        std::string verb, a, b, c, d;
        command >> verb >> a >> b >> c >> d;
        if (verb == "login") {
            out << LogIn(0, &slot, a.c_str()) << " " << slot << std::endl;
        } else if (verb == "lock") {
            char user[kUserNameSize] = {};
            int32_t value = 0;
            uint32_t code = LockNLD(a.c_str(), std::stoi(b), std::stoi(c),
                                    uint32_t(std::stoul(d)), &value, user);
            out << code << " " << value << " " << user << std::endl;
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

RootObject& LockingWorld::root() const { return *CurrentRoot(); }

ChildProcess LockingWorld::start(const std::string& name,
                                 const std::vector<std::string>& commands) {
    std::vector<std::string> args{name};
    args.insert(args.end(), commands.begin(), commands.end());
    return ChildProcess::start("locker", args);
}

bool LockingWorld::waitFor(const std::string& name, const std::string& what) const {
    return waitForFile(file(name + "." + what), 60000);
}

std::vector<std::string> LockingWorld::results(const std::string& name) const {
    return lines(readFile(file(name + ".out")));
}

std::vector<LockOnDisk> locksIn(const std::string& path) {
    std::string bytes = readFile(path);
    std::vector<LockOnDisk> out;
    for (size_t at = 0; at + kLockRecordSize <= bytes.size(); at += kLockRecordSize) {
        LockEntry e = DecodeLock(reinterpret_cast<const uint8_t*>(bytes.data() + at));
        out.push_back({e.name, e.owner});
    }
    return out;
}

UserOnDisk userIn(const std::string& usersPath, int32_t slot) {
    std::string bytes = readFile(usersPath);
    size_t at = size_t(slot) * kUserRecordSize;
    if (at + kUserRecordSize > bytes.size()) return {0, 0, "<missing>"};
    UserEntry e = DecodeUser(reinterpret_cast<const uint8_t*>(bytes.data() + at));
    return {e.key, e.processId, e.name};
}

std::string nameInLockFile(uint32_t number, const std::string& prefix) {
    for (int k = 0;; ++k) {
        std::string name = prefix + std::to_string(k);
        if (LockFileNo(name.c_str(), 1, 1) == number) return name;
    }
}

int countLogLines(const std::string& text) {
    int n = 0;
    for (const std::string& line : lines(readFile(kLogFileName)))
        n += line.find(text) != std::string::npos;
    return n;
}

}  // namespace zrt::test
