// The array engine on an array file of 10 million double cells (1000 x 10000 ids) with three
// items: Calc of two whole items into a third, Reduce "addto" along the last and the first
// axis, and Calc through a selection that reverses both dimensions; each beside the same
// computation written as a plain loop over the mapped file. Cells per second are the cells of
// the target (Calc) or of the source (Reduce).
//
// Calc alternates two operators ("add", "sub") so that every cell changes at every iteration
// and goes through the tolerant write. The file lives in a fresh temporary directory.
#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "arrayfile/objects.h"
#include "frame/array.h"
#include "frame/registry.h"
#include "frame/root.h"
#include "platform/platform.h"
#include "zrt32.h"

namespace {

using zrt::ArrayPtr;

constexpr uint32_t kRows = 1000, kColumns = 10000, kCells = kRows * kColumns;

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

ArrayPtr numbers(std::vector<double> v) {
    uint32_t n = static_cast<uint32_t>(v.size());
    ArrayPtr a(zrt::AllocArray(zrt::kDouble, 1, &n));
    std::memcpy(zrt::dataOf(a.get()), v.data(), 8 * size_t(n));
    return a;
}

ArrayPtr ids(int32_t first, int32_t last, int32_t step) {
    std::vector<int32_t> v;
    for (int32_t k = first; step > 0 ? k <= last : k >= last; k += step) v.push_back(k);
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

uint32_t codeOf(APLArray* result) {
    ArrayPtr r(result);
    return zrt::typeOf(r.get()) == zrt::kNested ? 0 : zrt::numberAt(r.get(), 0);
}

// The root object, the file B (items Data, X, Y) and the memory targets of the folds.
struct World {
    World() {
        namespace fs = std::filesystem;
        dir = fs::temp_directory_path() / ("zrt-engine-bench-" + std::to_string(platform::processId()));
        fs::create_directories(dir);
        fs::current_path(dir);
        zrt::NamedObject* root;
        zrt::LocateObject(".", zrt::kRootKind, root, [] { return std::make_unique<zrt::RootObject>(); });
        ArrayPtr descriptor = args(args(text("Bench"), integer(0), integer(0)));
        ArrayPtr dims = args(args(text("Rows"), integer(0), integer(0)),
                             args(text("Columns"), integer(0), integer(0)));
        code = codeOf(New(args(text("B"), integer(2), integer(0), text("bench.arr"),
                               args(ids(1, kRows, 1), ids(1, kColumns, 1)), std::move(descriptor),
                               std::move(dims), args(text("X"), text("Y")))
                              .get()));
        std::vector<double> values(kCells);
        for (uint32_t k = 0; k < kCells; ++k) values[k] = 1 + k % 1000;
        if (code == 0) code = codeOf(Put(args(text("B.Data"), numbers(values)).get()));
        for (double& v : values) v *= 0.5;
        if (code == 0) code = codeOf(Put(args(text("B.X"), numbers(values)).get()));
        if (code == 0) code = codeOf(New(args(text("R1"), integer(3), args(ids(1, kRows, 1))).get()));
        if (code == 0) code = codeOf(New(args(text("R1.Data"), integer(4), integer(8)).get()));
        if (code == 0) code = codeOf(New(args(text("R0"), integer(3), args(ids(1, kColumns, 1))).get()));
        if (code == 0) code = codeOf(New(args(text("R0.Data"), integer(4), integer(8)).get()));
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

// The file mapped as the plain loops see it, with the items' cells.
struct Mapped {
    Mapped() {
        platform::File::open((world().dir / "bench.arr").string(), platform::kReadWrite,
                             platform::kShareReadWrite, platform::Disposition::OpenExisting, file);
        platform::Mapping::map(file, true, mapping);
        zrt::NamedObject* b = nullptr;
        zrt::LocateObject("B", zrt::kArrayFileKind, b);
        const zrt::HeaderBlock& h = *zrt::as<zrt::ArrayFileObject>(b)->header;
        data = mapping.data() + h.itemDataOffset(0);
        x = mapping.data() + h.itemDataOffset(1);
        y = mapping.data() + h.itemDataOffset(2);
    }
    platform::File file;
    platform::Mapping mapping;
    uint8_t *data, *x, *y;  // cells are not aligned in the file: read and written with memcpy
};

inline double load(const uint8_t* p, size_t k) {
    double d;
    std::memcpy(&d, p + 8 * k, 8);
    return d;
}
inline void store(uint8_t* p, size_t k, double d) { std::memcpy(p + 8 * k, &d, 8); }

void CalcWholeItems(benchmark::State& state) {
    if (!ready(state)) return;
    ArrayPtr add = args(text("add"), text("B.Y"), text("B.Data"), text("B.X"));
    ArrayPtr sub = args(text("sub"), text("B.Y"), text("B.Data"), text("B.X"));
    bool flip = false;
    for (auto _ : state) benchmark::DoNotOptimize(codeOf(Calc((flip = !flip) ? add.get() : sub.get())));
    state.SetItemsProcessed(state.iterations() * int64_t(kCells));
}

void PlainLoopWholeItems(benchmark::State& state) {
    if (!ready(state)) return;
    bool flip = false;
    for (auto _ : state) {
        Mapped m;  // the engine maps the file at every call too
        flip = !flip;
        for (uint32_t k = 0; k < kCells; ++k) store(m.y, k, flip ? load(m.data, k) + load(m.x, k) : load(m.data, k) - load(m.x, k));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * int64_t(kCells));
}

void ReduceLastAxis(benchmark::State& state) {
    if (!ready(state)) return;
    ArrayPtr arg = args(text("addto"), integer(1), text("R1.Data"), text("B.Data"));
    for (auto _ : state) benchmark::DoNotOptimize(codeOf(Reduce(arg.get())));
    state.SetItemsProcessed(state.iterations() * int64_t(kCells));
}

void PlainLoopReduceLastAxis(benchmark::State& state) {
    if (!ready(state)) return;
    std::vector<double> sums(kRows);
    for (auto _ : state) {
        Mapped m;
        for (uint32_t r = 0; r < kRows; ++r) {
            double s = 0;
            for (uint32_t c = 0; c < kColumns; ++c) s += load(m.data, size_t(r) * kColumns + c);
            sums[r] = s;
        }
        benchmark::DoNotOptimize(sums.data());
    }
    state.SetItemsProcessed(state.iterations() * int64_t(kCells));
}

void ReduceFirstAxis(benchmark::State& state) {
    if (!ready(state)) return;
    ArrayPtr arg = args(text("addto"), integer(0), text("R0.Data"), text("B.Data"));
    for (auto _ : state) benchmark::DoNotOptimize(codeOf(Reduce(arg.get())));
    state.SetItemsProcessed(state.iterations() * int64_t(kCells));
}

// Row by row into the column sums, as one would write it by hand.
void PlainLoopReduceFirstAxis(benchmark::State& state) {
    if (!ready(state)) return;
    std::vector<double> sums(kColumns);
    for (auto _ : state) {
        Mapped m;
        std::fill(sums.begin(), sums.end(), 0.0);
        for (uint32_t r = 0; r < kRows; ++r)
            for (uint32_t c = 0; c < kColumns; ++c) sums[c] += load(m.data, size_t(r) * kColumns + c);
        benchmark::DoNotOptimize(sums.data());
    }
    state.SetItemsProcessed(state.iterations() * int64_t(kCells));
}

// Column by column, the order in which the engine's fold visits the cells.
void PlainLoopReduceFirstAxisByColumn(benchmark::State& state) {
    if (!ready(state)) return;
    std::vector<double> sums(kColumns);
    for (auto _ : state) {
        Mapped m;
        for (uint32_t c = 0; c < kColumns; ++c) {
            double s = 0;
            for (uint32_t r = 0; r < kRows; ++r) s += load(m.data, size_t(r) * kColumns + c);
            sums[c] = s;
        }
        benchmark::DoNotOptimize(sums.data());
    }
    state.SetItemsProcessed(state.iterations() * int64_t(kCells));
}

void CalcReversingSelection(benchmark::State& state) {
    if (!ready(state)) return;
    auto reversed = [] { return args(text("B.Data"), args(ids(kRows, 1, -1), ids(kColumns, 1, -1))); };
    ArrayPtr add = args(text("add"), text("B.Y"), reversed(), numbers({8, 1}));
    ArrayPtr sub = args(text("sub"), text("B.Y"), reversed(), numbers({8, 1}));
    bool flip = false;
    for (auto _ : state) benchmark::DoNotOptimize(codeOf(Calc((flip = !flip) ? add.get() : sub.get())));
    state.SetItemsProcessed(state.iterations() * int64_t(kCells));
}

void PlainLoopReversing(benchmark::State& state) {
    if (!ready(state)) return;
    bool flip = false;
    for (auto _ : state) {
        Mapped m;
        flip = !flip;
        double one = flip ? 1 : -1;
        for (uint32_t r = 0; r < kRows; ++r)
            for (uint32_t c = 0; c < kColumns; ++c)
                store(m.y, size_t(r) * kColumns + c,
                      load(m.data, size_t(kRows - 1 - r) * kColumns + (kColumns - 1 - c)) + one);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * int64_t(kCells));
}

BENCHMARK(CalcWholeItems)->Unit(benchmark::kMillisecond);
BENCHMARK(PlainLoopWholeItems)->Unit(benchmark::kMillisecond);
BENCHMARK(ReduceLastAxis)->Unit(benchmark::kMillisecond);
BENCHMARK(PlainLoopReduceLastAxis)->Unit(benchmark::kMillisecond);
BENCHMARK(ReduceFirstAxis)->Unit(benchmark::kMillisecond);
BENCHMARK(PlainLoopReduceFirstAxis)->Unit(benchmark::kMillisecond);
BENCHMARK(PlainLoopReduceFirstAxisByColumn)->Unit(benchmark::kMillisecond);
BENCHMARK(CalcReversingSelection)->Unit(benchmark::kMillisecond);
BENCHMARK(PlainLoopReversing)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
