// Fast path: CRC-32 beside zlib's, and SCAR files beside plain file calls moving the same bytes.
// First a side-by-side table (reps in turns, medians): CRC-32 against zlib's crc32, FileWrite
// and FileRead of a 100 MB double vector against plain writes and reads of as many bytes; then
// the Google benchmarks.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "fastpath/built_tree.h"
#include "fastpath/scar.h"
#include "frame/array.h"
#include "pack/crc32.h"
#include "platform/platform.h"
#include "side_by_side.h"
#include "zrt32.h"

namespace {

using namespace zrt;
namespace fs = std::filesystem;

std::vector<uint8_t> randomBytes(size_t n) {
    std::vector<uint8_t> v(n);
    std::mt19937 random(1);
    for (auto& b : v) b = static_cast<uint8_t>(random());
    return v;
}

// ---- SCAR files ------------------------------------------------------------------------------

// A 100 MB double vector, and a nested vector of 100 000 strings of 5 to 12 characters.
ArrayPtr doubleArray() {
    ArrayPtr a(AllocVector(kDouble, 100u << 20 >> 3));
    for (uint32_t k = 0; k < cellCount(a.get()); ++k) setDoubleAt(dataOf(a.get()), k, k * 0.5);
    return a;
}

ArrayPtr stringArray() {
    ArrayPtr a(AllocVector(kNested, 100000));
    for (uint32_t k = 0; k < 100000; ++k) {
        std::string s = "item" + std::to_string(k * 7919u % 100000000u);
        APLArray* item = AllocVector(kChar, static_cast<uint32_t>(s.size()));
        std::memcpy(dataOf(item), s.data(), s.size());
        setSlot(a.get(), k, item);
    }
    return a;
}

const APLArray* testArray(int which) {
    static ArrayPtr arrays[2] = {doubleArray(), stringArray()};
    return arrays[which].get();
}

APLArray* nameOf(const char* name) {
    static ArrayPtr names[2] = {ArrayPtr(AllocVector(kChar, 8)), ArrayPtr(AllocVector(kChar, 8))};
    ArrayPtr& n = names[name[0] == 'p'];
    std::memcpy(dataOf(n.get()), name, 8);
    return n.get();
}

uint64_t encodedSize(const APLArray* a) {
    uint64_t size = 0;
    (void)ScarSize(a, size);
    return size + 8 + 24;
}

void BM_FileWrite(benchmark::State& state) {
    const APLArray* a = testArray(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        ArrayPtr r(FileWrite(nameOf("scar.dat"), const_cast<APLArray*>(a)));
        if (typeOf(r.get()) != kInt32 || dataOf(r.get())[0] != 0) {
            state.SkipWithError(("FileWrite failed: " + std::to_string(*reinterpret_cast<int32_t*>(dataOf(r.get())))).c_str());
            break;
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(encodedSize(a)));
}
BENCHMARK(BM_FileWrite)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_FileRead(benchmark::State& state) {
    const APLArray* a = testArray(static_cast<int>(state.range(0)));
    ArrayPtr(FileWrite(nameOf("scar.dat"), const_cast<APLArray*>(a)));
    for (auto _ : state) FreeBuiltTree(FileRead(nameOf("scar.dat")));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(encodedSize(a)));
}
BENCHMARK(BM_FileRead)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The same number of bytes written and read with plain file calls: create, write, close;
// open, read into a new buffer, close.
void plainWrite(const std::vector<uint8_t>& bytes) {
    platform::File f;
    (void)platform::File::open("plain.dat", platform::kReadWrite, platform::kShareNone,
                               platform::Disposition::CreateAlways, f);
    uint32_t put;
    (void)f.write(bytes.data(), static_cast<uint32_t>(bytes.size()), put);
    f.close();
}

void plainRead(uint64_t size) {
    platform::File f;
    (void)platform::File::open("plain.dat", platform::kRead, platform::kShareRead,
                               platform::Disposition::OpenExisting, f);
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[size]);
    uint32_t got;
    (void)f.read(buffer.get(), static_cast<uint32_t>(size), got);
    benchmark::DoNotOptimize(buffer.get());
}

void BM_PlainWrite(benchmark::State& state) {
    auto bytes = randomBytes(encodedSize(testArray(static_cast<int>(state.range(0)))));
    for (auto _ : state) plainWrite(bytes);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
}
BENCHMARK(BM_PlainWrite)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_PlainRead(benchmark::State& state) {
    auto bytes = randomBytes(encodedSize(testArray(static_cast<int>(state.range(0)))));
    plainWrite(bytes);
    for (auto _ : state) plainRead(bytes.size());
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
}
BENCHMARK(BM_PlainRead)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// ---- Side by side ----------------------------------------------------------------------------

void printComparisons() {
    using zrt::bench::printRow;
    using zrt::bench::sideBySide;
    zrt::bench::printHeader("zlib MB/s");
    for (size_t size : {size_t(4096), size_t(1) << 20, size_t(64) << 20}) {
        auto data = randomBytes(size);
        const int repeat = int((256u << 20) / size);  // 256 MB a rep
        uint32_t sink = 0;
        std::string what = "CRC-32 of " + std::to_string(size) + " bytes";
        printRow(what.c_str(), double(size) * repeat,
                 sideBySide(9,
                            [&] {
                                for (int k = 0; k < repeat; ++k)
                                    sink += Crc32Update(data.data(), data.size(), sink);
                            },
                            [&] {
                                for (int k = 0; k < repeat; ++k)
                                    sink += uint32_t(crc32(sink, data.data(), uInt(data.size())));
                            }));
        benchmark::DoNotOptimize(sink);
    }
    std::printf("\n");
    zrt::bench::printHeader("plain MB/s");
    const APLArray* a = testArray(0);
    std::vector<uint8_t> bytes = randomBytes(encodedSize(a));
    printRow("FileWrite, 100 MB double vector", double(bytes.size()),
             sideBySide(
                 7, [&] { ArrayPtr(FileWrite(nameOf("scar.dat"), const_cast<APLArray*>(a))); },
                 [&] { plainWrite(bytes); }));
    printRow("FileRead, 100 MB double vector", double(bytes.size()),
             sideBySide(7, [&] { FreeBuiltTree(FileRead(nameOf("scar.dat"))); },
                        [&] { plainRead(bytes.size()); }));
    std::printf("\n");
}

}  // namespace

// Runs in a fresh directory under the temporary one, with version "01" files (size and CRC).
int main(int argc, char** argv) {
    fs::path dir = fs::temp_directory_path() / ("zrt-fastpath-bench-" + std::to_string(platform::processId()));
    fs::create_directories(dir);
    fs::current_path(dir);
    {
        std::FILE* f = std::fopen("registry.ini", "w");
        std::fputs("[Software\\Morvane\\Plenvia8\\Anvelo\\Main]\nDLLScarVersion=1\n", f);
        std::fclose(f);
        f = std::fopen("APLUNICD.INI", "w");  // one character set: no translation
        std::fputs("[Charsets]\nDYALOG=DYALOG\nHOST=DYALOG\n", f);
        std::fclose(f);
    }
    setenv("ZRT32_HKCU", (dir / "registry.ini").c_str(), 1);
    setenv("ZRT32_HKLM", (dir / "none.ini").c_str(), 1);
    setenv("ZRT32_INIDIR", dir.c_str(), 1);
    if (Init("", nullptr) != 0) return 1;
    printComparisons();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(dir);
    return 0;
}
