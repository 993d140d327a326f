// What a lock and a log-in cost as the lock file grows (LockNLD reads the whole lock file in one
// read and tests it in memory; LogIn scans every lock file once), and what they cost while other
// processes do the same as fast as they can.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "frame/registry.h"
#include "locking/formats.h"
#include "locking/record_io.h"
#include "platform/platform.h"
#include "zrt32.h"

namespace fs = std::filesystem;

namespace {

void writeText(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// Two character sets that are both the identity, for Init.
std::string identityTranslation() {
    std::string text = "[Charsets]\nDYALOG=DYALOG\nHOST=ANSI\n";
    for (const char* set : {"DYALOG", "ANSI"}) {
        text += std::string("[") + set + "]\nDefaultChar=63\n";
        for (int k = 0; k < 256; k += 16) {
            text += std::to_string(k) + "=";
            for (int b = k; b < k + 16; ++b) text += std::to_string(b) + " ";
            text += "\n";
        }
    }
    return text;
}

// A fresh shared directory with an initialised library, and lockCount locks of slot owner.
class Directory {
public:
    Directory(bool multiple, int64_t lockCount, uint32_t owner) {
        dir_ = fs::temp_directory_path() / ("zrt-bench-" + std::to_string(std::random_device{}()));
        fs::create_directories(dir_);
        previous_ = fs::current_path();
        fs::current_path(dir_);
        writeText("registry.ini", "[Software\\Morvane\\Plenvia8\\Anvelo\\Main]\nDLLRetryLock=3\n");
        writeText("APLUNICD.INI", identityTranslation());
        writeText("zrt32.ini", std::string("[Main]\nMaxUsers=16\nUseMultipleLocks=") +
                                   (multiple ? "Yes" : "No") + "\n");
        setenv("ZRT32_HKCU", (dir_ / "registry.ini").c_str(), 1);
        setenv("ZRT32_HKLM", (dir_ / "none.ini").c_str(), 1);
        setenv("ZRT32_INIDIR", dir_.c_str(), 1);
        if (Init("", "zrt32.ini") != 0) std::abort();
        std::string locks;
        for (int64_t k = 0; k < lockCount; ++k) {
            zrt::LockBytes b = zrt::EncodeLock(
                zrt::LockEntry{"Fill" + std::to_string(k), 1, 1, owner, 5});
            locks.append(reinterpret_cast<const char*>(b.data()), b.size());
        }
        writeText(multiple ? "locks.log.00" : "locks.log", locks);
    }
    ~Directory() {
        zrt::NamedObject* root = nullptr;
        if (zrt::LocateObject(".", zrt::kAnyKind, root) == 0) zrt::DestroyObject(root);
        fs::current_path(previous_);
        fs::remove_all(dir_);
    }

private:
    fs::path dir_, previous_;
};

// Another live user: slot 1, whose per-user file this process holds.
platform::File holdSlotOne() {
    platform::File other;
    (void)platform::File::open("USR00001.LOG", platform::kReadWrite, platform::kShareNone,
                               platform::Disposition::CreateAlways, other);
    return other;
}

// A lock and its release by a logged-in process, behind lockCount locks of another user.
void LockAndRelease(benchmark::State& state) {
    Directory d(false, state.range(0), 1);
    platform::File other = holdSlotOne();
    int32_t slot = -1;
    LogIn(0, &slot, "Bench");
    for (auto _ : state) {
        int32_t handle = 0;
        char user[1028];
        if (LockNLD("Target", 1, 1, 5, &handle, user) != 0 || ReleaseNLD(handle) != 0)
            state.SkipWithError("lock failed");
    }
    state.SetLabel(std::to_string(state.range(0)) + " locks in the file");
}
BENCHMARK(LockAndRelease)->Arg(0)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

// A log-in and log-out while a live user (slot 1, held here) has lockCount locks.
void LogInAndOut(benchmark::State& state) {
    const bool multiple = state.range(1) != 0;
    Directory d(multiple, state.range(0), 1);
    platform::File other = holdSlotOne();
    for (auto _ : state) {
        int32_t slot = -1;
        if (LogIn(0, &slot, "Bench") != 0 || LogOut(slot) != 0) state.SkipWithError("login failed");
    }
    state.SetLabel(std::to_string(state.range(0)) + " locks, " +
                   (multiple ? "twenty lock files" : "one lock file"));
}
BENCHMARK(LogInAndOut)
    ->Args({0, 0})->Args({1000, 0})->Args({0, 1})->Args({1000, 1})
    ->Unit(benchmark::kMicrosecond);

// Contention: count processes, forked from here, each run op as fast as they can for the same
// window of time (on the machine-wide monotonic clock) and write the latency of every call to a
// file of their own; the benchmark reports the calls of all of them together. A child has no
// root object of its own until it calls Init.
using Op = bool (*)(int32_t& slot);
constexpr double kWindowSeconds = 3;

double secondsNow() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

[[noreturn]] void contender(int64_t k, double start, bool loggedIn, Op op) {
    int32_t slot = -1;
    const std::string name = "Bench" + std::to_string(k);
    if (Init("", "zrt32.ini") != 0 || (loggedIn && LogIn(0, &slot, name.c_str()) != 0)) _exit(1);
    std::vector<float> micros;
    micros.reserve(1 << 20);
    float failed = 0;
    while (secondsNow() < start) usleep(1000);
    while (secondsNow() < start + kWindowSeconds) {
        double t0 = secondsNow();
        failed += op(slot) ? 0 : 1;
        micros.push_back(float((secondsNow() - t0) * 1e6));
    }
    micros.push_back(failed);  // the last number is the count of failures
    std::ofstream(name + ".times", std::ios::binary)
        .write(reinterpret_cast<const char*>(micros.data()),
               std::streamsize(micros.size() * sizeof(float)));
    _exit(0);
}

void contend(benchmark::State& state, bool loggedIn, Op op) {
    Directory d(false, 0, 0);
    const int64_t count = state.range(0);
    for (auto _ : state) {
        const double start = secondsNow() + 0.5;  // once every process has started
        std::vector<pid_t> pids;
        for (int64_t k = 0; k < count; ++k) {
            pid_t pid = fork();
            if (pid == 0) contender(k, start, loggedIn, op);
            pids.push_back(pid);
        }
        std::vector<float> all;
        double failed = 0;
        for (int64_t k = 0; k < count; ++k) {
            int status = 0;
            waitpid(pids[size_t(k)], &status, 0);
            std::ifstream in("Bench" + std::to_string(k) + ".times", std::ios::binary);
            std::string bytes((std::istreambuf_iterator<char>(in)), {});
            std::vector<float> micros(bytes.size() / sizeof(float));
            std::memcpy(micros.data(), bytes.data(), micros.size() * sizeof(float));
            if (status != 0 || micros.empty()) state.SkipWithError("a contender failed");
            if (micros.empty()) continue;
            failed += micros.back();
            all.insert(all.end(), micros.begin(), micros.end() - 1);
        }
        state.SetIterationTime(kWindowSeconds);
        std::sort(all.begin(), all.end());
        auto at = [&](double q) {
            return all.empty() ? 0 : all[size_t(q * double(all.size() - 1))];
        };
        state.counters["calls_per_s"] = double(all.size()) / kWindowSeconds;
        state.counters["p50_us"] = at(0.5);
        state.counters["p90_us"] = at(0.9);
        state.counters["p99_us"] = at(0.99);
        state.counters["max_ms"] = at(1) / 1000;
        state.counters["failed"] = failed;
        // Calls that found a file busy and waited for it (a random 0 to 2.8 s).
        state.counters["waited"] =
            double(all.end() - std::upper_bound(all.begin(), all.end(), 100e3f));
    }
    state.SetLabel(std::to_string(count) + " processes");
}

// LockNLD + ReleaseNLD of one NLD in a shared mode (every lock is granted): all the processes
// meet at the one lock file.
void LockAndReleaseContended(benchmark::State& state) {
    contend(state, true, [](int32_t&) {
        int32_t handle = 0;
        return LockNLD("Target", 1, 1, 1, &handle, nullptr) == 0 && ReleaseNLD(handle) == 0;
    });
}
BENCHMARK(LockAndReleaseContended)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->Iterations(1)
    ->UseManualTime()->Unit(benchmark::kMillisecond);

// LogIn + LogOut: all the processes meet at the users file and the lock file.
void LogInAndOutContended(benchmark::State& state) {
    contend(state, false, [](int32_t& slot) {
        return LogIn(0, &slot, "Bench") == 0 && LogOut(slot) == 0;
    });
}
BENCHMARK(LogInAndOutContended)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->Iterations(1)
    ->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
