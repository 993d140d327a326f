// Get and Put on an array file of 10 million double cells (1000 x 10000 ids), whole and
// through a selection, in cells per second; cutting the whole file into a memory array and
// saving it back; and transposing the file.
//
// The file lives in a fresh temporary directory made once for the whole run.
#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench_args.h"
#include "frame/array.h"
#include "frame/registry.h"
#include "frame/root.h"
#include "platform/platform.h"
#include "zrt32.h"

namespace {

using namespace bench;

constexpr uint32_t kRows = 1000, kColumns = 10000;

// Every other row backwards and every other column: a quarter of the cells, out of order.
ArrayPtr quarterSelection() { return args(ids(kRows, 1, -2), ids(1, kColumns, 2)); }
constexpr uint32_t kQuarterCells = kRows / 2 * (kColumns / 2);

ArrayPtr numbers(uint32_t n, double first) {
    ArrayPtr a(zrt::AllocArray(zrt::kDouble, 1, &n));
    for (uint32_t k = 0; k < n; ++k) zrt::setDoubleAt(zrt::dataOf(a.get()), k, first + k);
    return a;
}

// The root object and the file, made once.
struct World {
    World() {
        namespace fs = std::filesystem;
        dir = fs::temp_directory_path() / ("zrt-bench-" + std::to_string(platform::processId()));
        fs::create_directories(dir);
        fs::current_path(dir);
        zrt::NamedObject* root;
        (void)zrt::LocateObject(".", zrt::kRootKind, root, [] { return std::make_unique<zrt::RootObject>(); });
        ArrayPtr descriptor = args(args(text("Bench"), integer(0), integer(0)));
        ArrayPtr dims = args(args(text("Rows"), integer(0), integer(0)),
                             args(text("Columns"), integer(0), integer(0)));
        code = codeOf(New(args(text("B"), integer(2), integer(0), text("bench.arr"),
                               args(ids(1, kRows, 1), ids(1, kColumns, 1)),
                               std::move(descriptor), std::move(dims))
                              .get()));
    }
    ~World() {
        zrt::NamedObject* root;
        if (zrt::LocateObject(".", zrt::kAnyKind, root) == 0) zrt::DestroyObject(root);
        std::error_code ec;
        std::filesystem::current_path(dir.parent_path(), ec);
        std::filesystem::remove_all(dir, ec);
    }
    std::filesystem::path dir;
    uint32_t code = 0;
};

World& world() {
    static World w;
    return w;
}

bool ready(benchmark::State& state) {
    if (world().code == 0) return true;
    state.SkipWithError("the array file could not be made");
    return false;
}

void GetWholeItem(benchmark::State& state) {
    if (!ready(state)) return;
    ArrayPtr arg = args(text("B.Data"));
    for (auto _ : state) benchmark::DoNotOptimize(codeOf(Get(arg.get())));
    state.SetItemsProcessed(state.iterations() * int64_t(kRows) * kColumns);
}

// Every cell changes (the values alternate), so every cell is compared and written.
void PutWholeItem(benchmark::State& state) {
    if (!ready(state)) return;
    ArrayPtr a = args(text("B.Data"), numbers(kRows * kColumns, 1));
    ArrayPtr b = args(text("B.Data"), numbers(kRows * kColumns, 2));
    bool flip = false;
    for (auto _ : state) benchmark::DoNotOptimize(codeOf(Put((flip = !flip) ? a.get() : b.get())));
    state.SetItemsProcessed(state.iterations() * int64_t(kRows) * kColumns);
}

// The same values again: every cell is compared, none written.
void PutWholeItemUnchanged(benchmark::State& state) {
    if (!ready(state)) return;
    ArrayPtr a = args(text("B.Data"), numbers(kRows * kColumns, 1));
    codeOf(Put(a.get()));
    for (auto _ : state) benchmark::DoNotOptimize(codeOf(Put(a.get())));
    state.SetItemsProcessed(state.iterations() * int64_t(kRows) * kColumns);
}

void GetSelection(benchmark::State& state) {
    if (!ready(state)) return;
    ArrayPtr arg = args(text("B.Data"), quarterSelection());
    for (auto _ : state) benchmark::DoNotOptimize(codeOf(Get(arg.get())));
    state.SetItemsProcessed(state.iterations() * int64_t(kQuarterCells));
}

void PutSelection(benchmark::State& state) {
    if (!ready(state)) return;
    ArrayPtr a = args(text("B.Data"), numbers(kQuarterCells, 5), quarterSelection());
    ArrayPtr b = args(text("B.Data"), numbers(kQuarterCells, 6), quarterSelection());
    bool flip = false;
    for (auto _ : state) benchmark::DoNotOptimize(codeOf(Put((flip = !flip) ? a.get() : b.get())));
    state.SetItemsProcessed(state.iterations() * int64_t(kQuarterCells));
}

// New of a memory array holding the whole file, and its Close.
void CutWholeFile(benchmark::State& state) {
    if (!ready(state)) return;
    ArrayPtr cut = args(text("B.M"), integer(3), args(text("all"), text("all")));
    ArrayPtr close = args(text("B.M"));
    for (auto _ : state) {
        benchmark::DoNotOptimize(codeOf(New(cut.get())));
        codeOf(Close(close.get()));
    }
    state.SetItemsProcessed(state.iterations() * int64_t(kRows) * kColumns);
}

// Save of a memory array of the whole file in which every cell has changed.
void SaveWholeArray(benchmark::State& state) {
    if (!ready(state)) return;
    codeOf(New(args(text("B.S"), integer(3), args(text("all"), text("all"))).get()));
    ArrayPtr a = args(text("B.S.Data"), numbers(kRows * kColumns, 3));
    ArrayPtr b = args(text("B.S.Data"), numbers(kRows * kColumns, 4));
    ArrayPtr save = args(text("B.S"));
    bool flip = false;
    for (auto _ : state) {
        state.PauseTiming();
        codeOf(Put((flip = !flip) ? a.get() : b.get()));  // a memory item: one copy
        state.ResumeTiming();
        benchmark::DoNotOptimize(codeOf(Save(save.get())));
    }
    codeOf(Close(args(text("B.S")).get()));
    state.SetItemsProcessed(state.iterations() * int64_t(kRows) * kColumns);
}

// Transpose of the file (rows and columns swapped: the source is read down its columns), and
// the Close of the new object.
void TransposeFile(benchmark::State& state) {
    if (!ready(state)) return;
    ArrayPtr transpose = args(text("B"), text("T"), text("t.arr"), ids(1, 0, -1));
    ArrayPtr close = args(text("T"));
    for (auto _ : state) {
        benchmark::DoNotOptimize(codeOf(Transpose(transpose.get())));
        codeOf(Close(close.get()));
    }
    state.SetItemsProcessed(state.iterations() * int64_t(kRows) * kColumns);
}

BENCHMARK(GetWholeItem)->Unit(benchmark::kMillisecond);
BENCHMARK(PutWholeItem)->Unit(benchmark::kMillisecond);
BENCHMARK(PutWholeItemUnchanged)->Unit(benchmark::kMillisecond);
BENCHMARK(GetSelection)->Unit(benchmark::kMillisecond);
BENCHMARK(PutSelection)->Unit(benchmark::kMillisecond);
BENCHMARK(CutWholeFile)->Unit(benchmark::kMillisecond);
BENCHMARK(SaveWholeArray)->Unit(benchmark::kMillisecond);
BENCHMARK(TransposeFile)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
