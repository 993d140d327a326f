// Text-matrix utilities: DllSep over a 100 MB CSV file, read block by block to its end.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "frame/array.h"
#include "frame/args.h"
#include "platform/platform.h"
#include "zrt32.h"

namespace {

constexpr uint64_t kFileBytes = 100ull << 20;

std::string csvPath() {
    return (std::filesystem::temp_directory_path() /
            ("zrt-bench-" + std::to_string(platform::processId()) + ".csv"))
        .string();
}

// Lines of 8 fields: numbers, words, and quoted texts with separators and doubled quotes.
std::string makeCsv() {
    std::string path = csvPath();
    std::ofstream out(path, std::ios::binary);
    std::mt19937 random(1);
    std::string line;
    for (uint64_t written = 0; written < kFileBytes; written += line.size()) {
        line = std::to_string(random() % 100000) + ",Region" + std::to_string(random() % 50) +
               ",\"Smith, \"\"J\"\"\"," + std::to_string(random() % 1000) + "." +
               std::to_string(random() % 100) + ",ABCDEFGH,,\"x\"," +
               std::to_string(random()) + "\r\n";
        out << line;
    }
    return path;
}

zrt::ArrayPtr intItem(int32_t v) {
    zrt::ArrayPtr a(zrt::AllocScalar(zrt::kInt32));
    (void)zrt::SetItemInt(a.get(), 0, v);
    return a;
}

void BM_DllSep(benchmark::State& state) {
    static const std::string path = makeCsv();
    platform::ClassicHandle handle = platform::classicOpen(path, platform::kOfRead);
    auto block = static_cast<int32_t>(state.range(0));

    zrt::ArrayPtr arg(zrt::AllocVector(zrt::kNested, 4));
    uint32_t two = 2, three = 3;
    zrt::ArrayPtr marks(zrt::AllocArray(zrt::kChar, 1, &two));
    std::memcpy(zrt::dataOf(marks.get()), "\",", 2);
    zrt::ArrayPtr columns(zrt::AllocArray(zrt::kInt32, 1, &three));
    for (uint32_t k = 0; k < 3; ++k) (void)zrt::SetItemInt(columns.get(), k, int32_t(1 + 2 * k));
    zrt::setSlot(arg.get(), 0, intItem(handle).release());
    zrt::setSlot(arg.get(), 1, marks.release());
    zrt::setSlot(arg.get(), 2, columns.release());
    zrt::setSlot(arg.get(), 3, intItem(block).release());

    uint64_t bytes = 0;
    for (auto _ : state) {
        platform::classicSeek(handle, 0, 0);
        while (true) {
            zrt::ArrayPtr result(DllSep(arg.get()));
            if (zrt::typeOf(result.get()) != zrt::kNested) break;  // 10050 at the end
        }
        bytes += static_cast<uint64_t>(platform::classicSeek(handle, 0, 1));
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
    platform::classicClose(handle);
}
BENCHMARK(BM_DllSep)->Arg(4096)->Arg(65500)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::remove(csvPath().c_str());
    return 0;
}
