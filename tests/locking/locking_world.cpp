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

std::vector<std::string> words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

void appendLine(const std::string& path, const std::string& line) {
    std::ofstream out(path, std::ios::app);
    out << line << "\n";
}

}  // namespace

// The commands of a child, each one result line:
//   login NAME                 code slot
//   lock NAME LIB DT MODE      code handle-or-key user-name
//   release HANDLE|last        code
//   logout SLOT|own            code
//   holdfile PATH              code         (opens PATH exclusively and keeps it open)
//   signal WHAT                             (creates NAME.WHAT)
//   wait WHAT                               (waits for NAME.WHAT, made by the test)
//   hold                                    (waits until killed)
ZRT_CHILD_ROLE(locker) {
    const std::string name = args.at(0);
    const std::string out = name + ".out";
    SetRandomSleepSpan(20);
    if (uint32_t code = Init("", "zrt32.ini")) {
        appendLine(out, "init " + std::to_string(code));
        return 1;
    }
    int32_t last = 0, slot = -1;
    platform::File held;
    for (size_t k = 1; k < args.size(); ++k) {
        std::vector<std::string> w = words(args[k]);
        const std::string& verb = w.at(0);
        if (verb == "login") {
            uint32_t code = LogIn(0, &slot, w.at(1).c_str());
            appendLine(out, std::to_string(code) + " " + std::to_string(slot));
        } else if (verb == "lock") {
            char user[kUserNameSize] = {};
            int32_t value = 0;
            uint32_t code = LockNLD(w.at(1).c_str(), std::stoi(w.at(2)), std::stoi(w.at(3)),
                                    uint32_t(std::stoul(w.at(4))), &value, user);
            if (code == 0) last = value;
            appendLine(out, std::to_string(code) + " " + std::to_string(value) + " " + user);
        } else if (verb == "release") {
            int32_t handle = w.at(1) == "last" ? last : std::stoi(w.at(1));
            appendLine(out, std::to_string(ReleaseNLD(handle)));
        } else if (verb == "logout") {
            int32_t which = w.at(1) == "own" ? slot : std::stoi(w.at(1));
            appendLine(out, std::to_string(LogOut(which)));
        } else if (verb == "holdfile") {
            platform::SysError e = platform::File::open(w.at(1), platform::kReadWrite,
                                                        platform::kShareNone,
                                                        platform::Disposition::OpenAlways, held);
            appendLine(out, std::to_string(e));
        } else if (verb == "signal") {
            writeFile(name + "." + w.at(1), "");
        } else if (verb == "wait") {
            if (!waitForFile(name + "." + w.at(1), 60000)) return 2;
        } else if (verb == "hold") {
            for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
        }
    }
    return 0;
}

LockingWorld::LockingWorld(const WorldOptions& options) {
    writeIni(options);
    env_.setUserValue("Main", "DLLRetryLock", std::to_string(options.retryLock));
    char mask[16];
    std::snprintf(mask, sizeof mask, "0x%08X", options.debugMask);
    env_.setUserValue("MEMORY", "Debug", mask);
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
    std::istringstream in(readFile(file(name + ".out")));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<LockOnDisk> locksIn(const std::string& path) {
    std::string bytes = readFile(path);
    std::vector<LockOnDisk> out;
    for (size_t at = 0; at + kLockRecordSize <= bytes.size(); at += kLockRecordSize) {
        LockEntry e = DecodeLock(reinterpret_cast<const uint8_t*>(bytes.data() + at));
        out.push_back({e.name, e.library, e.dt, e.owner, e.mode});
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

std::string lockBytes(const std::string& name, int32_t library, int32_t dt, uint32_t owner,
                      uint32_t mode) {
    LockBytes b = EncodeLock(LockEntry{name, library, dt, owner, mode});
    return std::string(reinterpret_cast<const char*>(b.data()), b.size());
}

std::string nameInLockFile(uint32_t number, const std::string& prefix) {
    for (int k = 0;; ++k) {
        std::string name = prefix + std::to_string(k);
        if (LockFileNo(name.c_str(), 1, 1) == number) return name;
    }
}

int countLogLines(const std::string& text) {
    std::istringstream in(readFile(kLogFileName));
    int n = 0;
    for (std::string line; std::getline(in, line);)
        if (line.find(text) != std::string::npos) ++n;
    return n;
}

}  // namespace zrt::test
