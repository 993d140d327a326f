// Many processes lock and release NLDs in conflicting modes while some of them are killed. It
// checks that no two conflicting locks are ever held at once by live processes, that the locks
// of live processes survive, and that every process ends logged out or dead.
//
// Short by default; ZRT_LOCKING_STRESS_SECONDS (default 3) and ZRT_LOCKING_STRESS_PROCESSES
// (default 6) make it longer or wider.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <thread>

#include "locking/conflicts.h"
#include "locking/formats.h"
#include "locking/liveness.h"
#include "locking/lock_codes.h"
#include "locking/lock_file.h"
#include "locking/record_io.h"
#include "locking_world.h"
#include "zrt32.h"

namespace zrt {
namespace {

using Clock = std::chrono::steady_clock;  // one clock for all processes of the machine

int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

uint32_t envNumber(const char* name, uint32_t fallback) {
    const char* v = std::getenv(name);
    return v && *v ? uint32_t(std::strtoul(v, nullptr, 10)) : fallback;
}

const char* const kNames[] = {"Sales", "Costs", "Stock"};
const uint32_t kModes[] = {1, 2, 4, 8, 5, 10, 3, 12, 15, 6, 9};

struct Held {
    int32_t handle;
    std::string name;
    int32_t dt;
    uint32_t mode;
};

// ---- The worker ------------------------------------------------------------------------------

class Journal {
public:
    explicit Journal(const std::string& path) : out_(path, std::ios::app) {}
    template <class... A>
    void line(const A&... parts) {
        std::ostringstream s;
        ((s << parts << ' '), ...);
        s << '\n';
        out_ << s.str() << std::flush;  // one write: a kill never leaves half a line but the last
    }

private:
    std::ofstream out_;
};

// Whether our lock is still in its record: 0 yes, 1 lost, 2 the lock file was too busy to look.
int survives(const Held& h) {
    RootObject& root = *CurrentRoot();
    uint32_t fileNo = root.locking.useMultipleLocks ? uint32_t(h.handle) / kHandleFileStep : 0;
    int32_t index = int32_t(uint32_t(h.handle) % kHandleFileStep) - 1;
    platform::File file;
    if (OpenLockFile(LockFilePath(root, fileNo), file, root) != kOk) return 2;
    LockBytes bytes;
    Code code = ReadRecord(file, index, kLockRecordSize, bytes.data());
    CloseLockFile(file, root.retryLock, kOk);
    if (code != kOk) return 1;
    LockEntry e = DecodeLock(bytes.data());
    bool same = e.name == h.name && e.library == 1 && e.dt == h.dt && e.mode == h.mode &&
                int32_t(e.owner) == root.locking.ownSlot;
    return same ? 0 : 1;
}

struct Worker {
    Journal journal;
    std::mt19937 random;
    std::vector<Held> held;
    bool loggedIn = false;
    int32_t slot = -1;

    uint32_t pick(uint32_t n) { return std::uniform_int_distribution<uint32_t>(0, n - 1)(random); }

    // Returns false on a failure that the journal records.
    bool logIn(const std::string& name) {
        for (;;) {
            uint32_t code = LogIn(0, &slot, name.c_str());
            if (code == kOk) break;
            if (code != kSlotHeld && code != kNoFreeSlot && code != kUsersFileOpen &&
                code != kCannotCreate && code != kBadFileSize) {
                journal.line("E", "login", code);
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1 + pick(5)));
        }
        loggedIn = true;
        return true;
    }

    bool lockOne() {
        Held h{0, kNames[pick(3)], int32_t(pick(2)), kModes[pick(std::size(kModes))]};
        char user[kUserNameSize];
        uint32_t code = LockNLD(h.name.c_str(), 1, h.dt, h.mode, &h.handle, user);
        int64_t t = nowNs();
        if (code == kOk) {
            journal.line("L", t, h.handle, h.name, 1, h.dt, h.mode);
            held.push_back(h);
            return true;
        }
        if (code == kConflict || code == kLockFileOpen) return true;
        journal.line("E", "lock", code);
        return false;
    }

    bool check(const Held& h) {
        if (survives(h) != 1) return true;
        journal.line("E", "lost", h.handle, h.name, h.dt, h.mode);
        return false;
    }

    bool releaseOne(size_t k) {
        if (!check(held[k])) return false;
        int64_t t = nowNs();
        uint32_t code = ReleaseNLD(held[k].handle);
        if (code == kLockFileOpen) return true;  // still held; try again later
        if (code != kOk) {
            journal.line("E", "release", code);
            return false;
        }
        journal.line("R", t, held[k].handle);
        held.erase(held.begin() + k);
        return true;
    }

    bool logOut() {
        while (!held.empty())
            if (!releaseOne(0)) return false;
        int64_t t = nowNs();
        uint32_t code = LogOut(slot);
        journal.line("O", t);
        loggedIn = false;
        if (code == kOk) return true;
        journal.line("E", "logout", code);
        return false;
    }
};

// Arguments: name, milliseconds to run once "go" exists, seed.
ZRT_CHILD_ROLE(stress) {
    const std::string name = args.at(0);
    SetRandomSleepSpan(20);
    Worker w{Journal(name + ".journal"), std::mt19937(std::stoul(args.at(2))), {}};
    if (Init("", "zrt32.ini") != kOk) return 1;
    w.journal.line("P", CurrentRoot()->processId);
    test::writeFile(name + ".ready", "");
    if (!test::waitForFile("go", 60000)) return 2;
    // Starting a process can take long on a busy machine: the time runs from here.
    const int64_t deadline = nowNs() + std::stoll(args.at(1)) * 1000000;
    while (nowNs() < deadline) {
        if (!w.loggedIn && !w.logIn(name)) return 3;
        uint32_t action = w.pick(100);
        bool ok = true;
        if (action < 55) ok = w.lockOne();
        else if (action < 90 && !w.held.empty()) ok = w.releaseOne(w.pick(uint32_t(w.held.size())));
        else if (action < 96) for (const Held& h : w.held) ok = ok && w.check(h);
        else ok = w.logOut();
        if (!ok) return 4;
        std::this_thread::sleep_for(std::chrono::microseconds(w.pick(2000)));
    }
    if (w.loggedIn && !w.logOut()) return 5;
    return 0;
}

// ---- The test -------------------------------------------------------------------------------

struct Interval {
    std::string worker;
    LockEntry lock;
    int64_t from, to;
};

struct Run {
    std::string name;
    test::ChildProcess process;
    bool killed = false;
    int64_t killedAt = 0;
};

// The intervals during which the worker certainly held each of its locks: from the return of
// LockNLD to the call of ReleaseNLD or LogOut, or to its kill.
void readJournal(const test::LockingWorld& world, const Run& run, std::vector<Interval>& out,
                 std::set<uint32_t>& killedPids, std::vector<std::string>& errors) {
    std::istringstream in(test::readFile(world.file(run.name + ".journal")));
    std::map<int32_t, Interval> open;
    bool loggedOut = false;
    for (std::string line; std::getline(in, line);) {
        std::istringstream w(line);
        std::string kind;
        w >> kind;
        if (kind == "P") {
            uint32_t pid = 0;
            w >> pid;
            if (run.killed) killedPids.insert(pid);
        } else if (kind == "L") {
            Interval i{run.name, {}, 0, 0};
            int32_t handle = 0;
            w >> i.from >> handle >> i.lock.name >> i.lock.library >> i.lock.dt >> i.lock.mode;
            if (w) open[handle] = i;
            loggedOut = false;
        } else if (kind == "R" || kind == "O") {
            int64_t t = 0;
            int32_t handle = 0;
            w >> t >> handle;
            for (auto it = open.begin(); it != open.end();) {
                if (kind == "O" || it->first == handle) {
                    it->second.to = t;
                    out.push_back(it->second);
                    it = open.erase(it);
                } else {
                    ++it;
                }
            }
            loggedOut = kind == "O";
        } else if (kind == "E") {
            errors.push_back(run.name + ": " + line);
        }
    }
    for (auto& [handle, i] : open) {
        if (!run.killed) errors.push_back(run.name + ": lock " + std::to_string(handle) + " never released");
        i.to = run.killedAt;
        out.push_back(i);
    }
    if (!run.killed && !loggedOut)
        errors.push_back(run.name + ": did not log out: " + test::readFile(world.file(run.name + ".journal")));
}

void runStress(bool multipleLocks, uint32_t processes, uint32_t milliseconds) {
    test::WorldOptions options;
    options.maxUsers = processes;
    options.multipleLocks = multipleLocks;
    options.retryLock = 20;
    options.debugMask = 0;
    test::LockingWorld world(options);
    int64_t deadline = 0;
    std::mt19937 random(12345 + multipleLocks);
    std::vector<Run> runs;
    std::vector<size_t> live;
    auto start = [&] {
        Run r;
        r.name = "w" + std::to_string(runs.size());
        int64_t left = deadline ? (deadline - nowNs()) / 1000000 : milliseconds;
        r.process = test::ChildProcess::start(
            "stress", {r.name, std::to_string(std::max<int64_t>(left, 1)),
                       std::to_string(random())});
        live.push_back(runs.size());
        runs.push_back(std::move(r));
    };
    for (uint32_t k = 0; k < processes; ++k) start();
    for (const Run& r : runs) ASSERT_TRUE(test::waitForFile(world.file(r.name + ".ready"), 60000));
    test::writeFile(world.file("go"), "");
    deadline = nowNs() + int64_t(milliseconds) * 1000000;
    while (nowNs() < deadline - 200000000) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100 + random() % 300));
        size_t victim = random() % live.size();
        Run& r = runs[live[victim]];
        r.killedAt = nowNs();  // alive until at least this moment
        r.process.kill();
        r.killed = true;
        live.erase(live.begin() + victim);
        start();
    }
    for (Run& r : runs) {
        int status = r.process.wait();
        if (!r.killed) {
            EXPECT_EQ(status, 0) << r.name;
        }
    }

    std::vector<Interval> intervals;
    std::set<uint32_t> killedPids;
    std::vector<std::string> errors;
    for (const Run& r : runs) readJournal(world, r, intervals, killedPids, errors);
    for (const std::string& e : errors) ADD_FAILURE() << e;
    size_t conflicts = 0;
    for (size_t a = 0; a < intervals.size(); ++a)
        for (size_t b = a + 1; b < intervals.size(); ++b) {
            const Interval &x = intervals[a], &y = intervals[b];
            if (NLDConflicts(x.lock, y.lock) && x.from < y.to && y.from < x.to && ++conflicts < 5)
                ADD_FAILURE() << x.worker << " and " << y.worker << " both held " << x.lock.name
                              << " dt " << x.lock.dt << " in modes " << x.lock.mode << " and "
                              << y.lock.mode;
        }
    EXPECT_EQ(conflicts, 0u);
    ::testing::Test::RecordProperty(multipleLocks ? "locks_twenty_files" : "locks_one_file", int(intervals.size()));
    ::testing::Test::RecordProperty(multipleLocks ? "kills_twenty_files" : "kills_one_file", int(runs.size() - processes));
    EXPECT_GT(intervals.size(), processes) << "too little happened to prove anything";

    // Everybody ended logged out or dead: no live slot, and only the dead keep records.
    RootObject& root = world.root();
    for (uint32_t slot = 0; slot < processes; ++slot) {
        bool alive = true;
        EXPECT_EQ(isLocked(int32_t(slot), root, alive), kOk);
        EXPECT_FALSE(alive) << "slot " << slot;
        test::UserOnDisk user = test::userIn(world.file("Users.log"), int32_t(slot));
        if (user.key != kFree) {
            EXPECT_TRUE(killedPids.count(user.processId)) << "slot " << slot;
        }
    }
}

TEST(LockingStress, ConflictingLocksNeverMeetAndLiveLocksSurvive) {
    const uint32_t seconds = envNumber("ZRT_LOCKING_STRESS_SECONDS", 3);
    const uint32_t processes = envNumber("ZRT_LOCKING_STRESS_PROCESSES", 6);
    runStress(false, processes, seconds * 500);
    runStress(true, processes, seconds * 500);
}

}  // namespace
}  // namespace zrt
