// Get and Put on an array file of 10 million double cells (1000 x 10000 ids), whole and
// through a selection, in cells per second; and cutting the whole file into a memory array.
//
// The file lives in a fresh temporary directory made once for the whole run.
#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "frame/array.h"
#include "frame/registry.h"
#include "frame/root.h"
#include "platform/platform.h"
#include "zrt32.h"

namespace {

using zrt::ArrayPtr;

constexpr uint32_t kRows = 1000, kColumns = 10000;

ArrayPtr text(const std::string& s) {
    uint32_t n = static_cast<uint32_t>(s.size());
    ArrayPtr a(zrt::AllocArray(zrt::kChar, 1, &n));
    std::memcpy(zrt::dataOf(a.get()), s.data(), n);
    return a;
}

ArrayPtr integer(int32_t v) {
    ArrayPtr a(zrt::AllocArray(zrt::kInt32, 0, nullptr));
    std::memcpy(zrt::dataOf(a.get()), &v, 4);
    return a;
}

ArrayPtr ids(const std::vector<int32_t>& v) {
    uint32_t n = static_cast<uint32_t>(v.size());
    ArrayPtr a(zrt::AllocArray(zrt::kInt32, 1, &n));
    std::memcpy(zrt::dataOf(a.get()), v.data(), 4 * size_t(n));
    return a;
}

ArrayPtr list(std::vector<ArrayPtr> items) {
    uint32_t n = static_cast<uint32_t>(items.size());
    ArrayPtr a(zrt::AllocArray(zrt::kNested, 1, &n));
    for (uint32_t i = 0; i < n; ++i) zrt::setSlot(a.get(), i, items[i].release());
    return a;
}

template <class... A>
ArrayPtr args(A&&... items) {
    std::vector<ArrayPtr> v;
    (v.push_back(std::forward<A>(items)), ...);
    return list(std::move(v));
}

std::vector<int32_t> range(int32_t first, int32_t last, int32_t step) {
    std::vector<int32_t> v;
    for (int32_t k = first; step > 0 ? k <= last : k >= last; k += step) v.push_back(k);
    return v;
}

// Every other row backwards and every other column: a quarter of the cells, out of order.
ArrayPtr quarterSelection() { return args(ids(range(kRows, 1, -2)), ids(range(1, kColumns, 2))); }
constexpr uint32_t kQuarterCells = kRows / 2 * (kColumns / 2);

ArrayPtr numbers(uint32_t n, double first) {
    ArrayPtr a(zrt::AllocArray(zrt::kDouble, 1, &n));
    for (uint32_t k = 0; k < n; ++k) zrt::setDoubleAt(zrt::dataOf(a.get()), k, first + k);
    return a;
}

uint32_t codeOf(APLArray* result) {
    ArrayPtr r(result);
    return zrt::typeOf(r.get()) == zrt::kNested ? 0 : zrt::numberAt(r.get(), 0);
}

// The root object and the file, made once.
struct World {
    World() {
        namespace fs = std::filesystem;
        dir = fs::temp_directory_path() / ("zrt-bench-" + std::to_string(platform::processId()));
        fs::create_directories(dir);
        fs::current_path(dir);
        zrt::NamedObject* root;
        zrt::LocateObject(".", zrt::kRootKind, root, [] { return std::make_unique<zrt::RootObject>(); });
        ArrayPtr descriptor = args(args(text("Bench"), integer(0), integer(0)));
        ArrayPtr dims = args(args(text("Rows"), integer(0), integer(0)),
                             args(text("Columns"), integer(0), integer(0)));
        code = codeOf(New(args(text("B"), integer(2), integer(0), text("bench.arr"),
                               args(ids(range(1, kRows, 1)), ids(range(1, kColumns, 1))),
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

BENCHMARK(GetWholeItem)->Unit(benchmark::kMillisecond);
BENCHMARK(PutWholeItem)->Unit(benchmark::kMillisecond);
BENCHMARK(PutWholeItemUnchanged)->Unit(benchmark::kMillisecond);
BENCHMARK(GetSelection)->Unit(benchmark::kMillisecond);
BENCHMARK(PutSelection)->Unit(benchmark::kMillisecond);
BENCHMARK(CutWholeFile)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
