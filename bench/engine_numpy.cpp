// The exports' side of engine_vs_numpy.py: a module that makes the array file of the
// comparison and runs one export call at a time, so that the script can time our calls and
// numpy's on the same file in one process, reps alternating.
//
// The file B has rows x columns double cells and the items Data, X and Y; the name of the
// last item is padded so that the data area starts at a multiple of 8 bytes, as numpy's
// memory maps of the item bytes are then aligned. R0 and R1 are memory items for the folds.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "arrayfile/cells.h"
#include "arrayfile/objects.h"
#include "bench_args.h"
#include "frame/registry.h"
#include "frame/root.h"
#include "zrt32.h"

using namespace bench;

namespace {

struct Calls {
    std::vector<ArrayPtr> args;  // one per case, in the order of the enum in the script
    std::vector<APLArray* (*)(APLArray*)> exports;
    void add(APLArray* (*f)(APLArray*), ArrayPtr a) {
        exports.push_back(f);
        args.push_back(std::move(a));
    }
};

std::unique_ptr<Calls> calls;
std::string yName;

zrt::ArrayFileObject* fileB() {
    zrt::NamedObject* b = nullptr;
    if (zrt::LocateObject("B", zrt::kArrayFileKind, b)) return nullptr;
    return zrt::as<zrt::ArrayFileObject>(b);
}

uint32_t makeFile(const std::string& path, int32_t rows, int32_t columns, const std::string& y) {
    ArrayPtr descriptor = args(args(text("Bench"), integer(0), integer(0)));
    ArrayPtr dims = args(args(text("Rows"), integer(0), integer(0)), args(text("Columns"), integer(0), integer(0)));
    return codeOf(New(args(text("B"), integer(2), integer(0), text(path),
                           args(ids(1, rows, 1), ids(1, columns, 1)), std::move(descriptor),
                           std::move(dims), args(text("X"), text(y)))
                          .get()));
}

std::string item(const char* name) { return std::string("B.") + name; }

void makeCalls(int32_t rows, int32_t columns) {
    calls = std::make_unique<Calls>();
    Calls& c = *calls;
    std::string y = item(yName.c_str());
    auto reversed = [&](const std::string& it) { return args(text(it), args(ids(rows, 1, -1), ids(columns, 1, -1))); };
    std::vector<double> weights(size_t(rows), 0.5), v1(size_t(rows) * columns), v2(v1.size());
    for (size_t k = 0; k < v1.size(); ++k) {
        v1[k] = 1.0 + double(k % 977);
        v2[k] = 2.0 + double(k % 977);
    }
    c.add(Calc, args(text("add"), text(y), text("B.Data"), text("B.X")));                       // 0
    c.add(Calc, args(text("sub"), text(y), text("B.Data"), text("B.X")));                       // 1
    c.add(Calc, args(text("addto"), text(y), text("B.X")));                                     // 2
    c.add(Calc, args(text("add"), reversed(y), reversed("B.Data"), numbers({8, 1.5})));         // 3
    c.add(Calc, args(text("add"), reversed(y), reversed("B.Data"), numbers({8, 2.5})));         // 4
    c.add(Reduce, args(text("addto"), integer(0), text("R0.Data"), text("B.Data")));            // 5
    c.add(Reduce, args(text("addto"), integer(1), text("R1.Data"), text("B.Data")));            // 6
    c.add(Get, args(text("B.Data")));                                                           // 7
    c.add(Calc, args(text("div"), text(y), text("B.Data"), text("B.X")));                       // 8
    c.add(Calc, args(text("div"), text(y), text("B.X"), text("B.Data")));                       // 9
    c.add(Calc, args(text("pow"), text(y), text("B.X"), numbers({8, 1.5})));                    // 10
    c.add(Calc, args(text("pow"), text(y), text("B.X"), numbers({8, 0.5})));                    // 11
    c.add(LComb, args(text("addto"), integer(0), text("R0.Data"), text("B.Data"), numbers(weights)));  // 12
    c.add(Put, args(text(y), numbers(v1)));                                                     // 13
    c.add(Put, args(text(y), numbers(v2)));                                                     // 14
}

}  // namespace

extern "C" {

// Makes the file at path and the memory items; 0 or the first failing code.
__attribute__((visibility("default"))) int zb_setup(const char* path, int32_t rows, int32_t columns) {
    zrt::NamedObject* root;
    (void)zrt::LocateObject(".", zrt::kRootKind, root, [] { return std::make_unique<zrt::RootObject>(); });
    uint32_t code = 0;
    for (yName = "Y"; yName.size() < 9; yName += "y") {
        if ((code = makeFile(path, rows, columns, yName))) return int(code);
        zrt::ArrayFileObject* b = fileB();
        if (b->header->itemDataOffset(0) % 8 == 0) break;
        if ((code = codeOf(Close(args(text("B")).get())))) return int(code);
    }
    std::vector<double> values(size_t(rows) * columns);
    for (size_t k = 0; k < values.size(); ++k) values[k] = 1 + double(k % 1000);
    if (!code) code = codeOf(Put(args(text("B.Data"), numbers(values)).get()));
    for (double& v : values) v *= 0.5;
    if (!code) code = codeOf(Put(args(text("B.X"), numbers(values)).get()));
    if (!code) code = codeOf(New(args(text("R1"), integer(3), args(ids(1, rows, 1))).get()));
    if (!code) code = codeOf(New(args(text("R1.Data"), integer(4), integer(8)).get()));
    if (!code) code = codeOf(New(args(text("R0"), integer(3), args(ids(1, columns, 1))).get()));
    if (!code) code = codeOf(New(args(text("R0.Data"), integer(4), integer(8)).get()));
    if (!code) makeCalls(rows, columns);
    return int(code);
}

// Where item i (0 Data, 1 X, 2 Y) begins in the file.
__attribute__((visibility("default"))) int64_t zb_offset(int32_t i) {
    zrt::ArrayFileObject* b = fileB();
    return b ? int64_t(b->header->itemDataOffset(uint32_t(i))) : -1;
}

// A plain loop over the file's mapping: Y := Data + X, for scale.
__attribute__((visibility("default"))) int zb_plain_add() {
    zrt::ArrayFileObject* b = fileB();
    platform::File f;
    platform::Mapping m;
    if (platform::File::open(b->path, platform::kReadWrite, platform::kShareReadWrite,
                             platform::Disposition::OpenExisting, f) ||
        platform::Mapping::map(f, true, m))
        return 1;
    const zrt::HeaderBlock& h = *b->header;
    uint8_t *a = m.data() + h.itemDataOffset(0), *x = m.data() + h.itemDataOffset(1), *y = m.data() + h.itemDataOffset(2);
    for (size_t k = 0, n = b->structure.cells; k < n; ++k)
        zrt::StoreDouble(y + 8 * k, zrt::LoadDouble(a + 8 * k) + zrt::LoadDouble(x + 8 * k));
    return 0;
}

// Runs case k; its code.
__attribute__((visibility("default"))) int zb_run(int32_t k) {
    return int(codeOf(calls->exports[size_t(k)](calls->args[size_t(k)].get())));
}

__attribute__((visibility("default"))) void zb_teardown() {
    calls.reset();
    zrt::NamedObject* root;
    if (zrt::LocateObject(".", zrt::kAnyKind, root) == 0) zrt::DestroyObject(root);
}
}
