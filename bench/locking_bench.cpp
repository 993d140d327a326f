// What a lock and a log-in cost as the lock file grows: LockNLD reads the whole lock file in
// one read and tests it in memory; LogIn scans every lock file once.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

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
        writeText("zrt32.ini", std::string("[Main]\nMaxUsers=8\nUseMultipleLocks=") +
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
    platform::File::open("USR00001.LOG", platform::kReadWrite, platform::kShareNone,
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

}  // namespace

BENCHMARK_MAIN();
