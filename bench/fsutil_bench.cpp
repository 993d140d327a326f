// Directory listings: entries per second through Dir and DirX over a directory of small files,
// a buffer of 100 entries at a time (the system's directory search and file status included).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "zrt32.h"

namespace {

namespace fs = std::filesystem;

// A directory of count files, made once per size and removed at exit.
const std::string& directoryOf(int count) {
    static std::vector<std::pair<int, std::string>> made;
    for (auto& [n, path] : made)
        if (n == count) return path;
    std::string name = "zrt-bench-dir-";
    name += std::to_string(std::random_device{}());
    fs::path dir = fs::temp_directory_path() / name;
    fs::create_directories(dir);
    for (int i = 0; i < count; ++i) {
        std::string file = std::to_string(i);
        file += ".DAT";
        std::ofstream(dir / file) << i;
    }
    static struct Cleanup {
        ~Cleanup() {
            for (auto& [n, path] : made) fs::remove_all(path);
        }
    } cleanup;
    made.emplace_back(count, dir.string());
    return made.back().second;
}

template <uint32_t (*Start)(const char*, int32_t, char*), uint32_t (*More)(int32_t, char*)>
void listing(benchmark::State& state, int width) {
    int count = int(state.range(0));
    std::string pattern = directoryOf(count) + "/*";
    int32_t size = 100 * width;
    std::vector<char> buffer(size_t(size) + 1);
    for (auto _ : state) {
        uint32_t code = Start(pattern.c_str(), size, buffer.data());
        while (code == 0) code = More(size, buffer.data());
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetItemsProcessed(state.iterations() * count);
}

void BM_Dir(benchmark::State& state) { listing<Dir, DirMore>(state, 14); }
void BM_DirX(benchmark::State& state) { listing<DirX, DirMoreX>(state, 45); }

BENCHMARK(BM_Dir)->Arg(10000)->UseRealTime();
BENCHMARK(BM_DirX)->Arg(10000)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
