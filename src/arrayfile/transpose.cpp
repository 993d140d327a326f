// Transpose: a new array file whose dimensions are the source's in another order, with every
// file item's values carried over, registered as a new array file object.
#include <string>
#include <utility>
#include <vector>

#include "arrayfile/arguments.h"
#include "arrayfile/copy.h"
#include "arrayfile/file_actions.h"
#include "arrayfile/file_layer.h"
#include "arrayfile/item_flags.h"
#include "arrayfile/objects.h"
#include "frame/args.h"
#include "frame/export_bodies.h"
#include "frame/log.h"
#include "frame/result.h"
#include "zrt32.h"

namespace zrt {

namespace {

void logOpenFailure(platform::SysError e, const std::string& path) {
    if (LogEnabled(0, kLogArrayFiles, 3))
        LogPrintf("ActTransposeFile: CreateFile res %u name %s", e, path.c_str());
}

// Both disk files are open only while ActTransposeFile runs.
class FilesOpen {
public:
    FilesOpen(ArrayFileObject& a, ArrayFileObject& b) : a_(a), b_(b) {}
    ~FilesOpen() {
        a_.file.close();
        b_.file.close();
    }
    FilesOpen(const FilesOpen&) = delete;
    FilesOpen& operator=(const FilesOpen&) = delete;

private:
    ArrayFileObject& a_;
    ArrayFileObject& b_;
};

// The source's structure replaced by the reordered one for the length of the copy, so that a
// walk of the source through its own structure reads its cells in the target's order.
class StructureSwap {
public:
    StructureSwap(Structure& a, Structure& b) : a_(a), b_(b) { std::swap(a_, b_); }
    ~StructureSwap() { std::swap(a_, b_); }
    StructureSwap(const StructureSwap&) = delete;
    StructureSwap& operator=(const StructureSwap&) = delete;

private:
    Structure& a_;
    Structure& b_;
};

// Creates the new file, replacing any file there. It is deleted first, while the source is
// held open: a path that names the source itself (or a file another process holds open)
// cannot be deleted, and is refused instead of being emptied.
platform::SysError createReplacing(const std::string& path, platform::File& out) {
    using namespace platform;
    SysError e = deleteFile(path);
    if (e != kOk && e != kFileNotFound && e != kPathNotFound) return e;
    return File::open(path, kReadWrite, kShareReadWrite, Disposition::CreateAlways, out);
}

// One target item per source file item, same name, flags and index, each filled with the
// source item walked through the reordered structure (target positions in target order, source
// strides): the target item receives the cells in its own cell order.
Code copyItems(ArrayFileObject& source, ArrayFileObject& target, Structure& reordered) {
    StructureSwap swapped(source.structure, reordered);
    for (auto& child : source.children) {
        if (child->kind != kItemKind) continue;
        auto* from = as<ItemObject>(child.get());
        if (from->itemIndex == kNoItemIndex) continue;
        ItemObject* to = MakeItem(&target, from->name, from->flags);
        to->itemIndex = from->itemIndex;
        if (!HasCells(from->flags)) continue;  // a record without data: nothing to carry over
        if (Code c = CopyCells(nullptr, *to, &source.structure, *from)) return c;
    }
    return kOk;
}

}  // namespace

Code DimensionMap(const APLArray* order, uint32_t rank, std::vector<uint32_t>& map) {
    if (!order || typeOf(order) == kChar || cellCount(order) != rank) return kRange;
    std::vector<uint32_t> m(rank, rank);
    for (uint32_t i = 0; i < rank; ++i) {
        int32_t v;
        if (GetItemInt(order, i, v) != kOk || v < 0 || uint32_t(v) >= rank) return kRange;
        if (m[uint32_t(v)] != rank) return kRange;  // a place taken twice
        m[uint32_t(v)] = i;
    }
    map = std::move(m);
    return kOk;
}

Code ActTransposeFile(ArrayFileObject& source, ArrayFileObject& target, const std::string& newPath,
                      const std::vector<uint32_t>& map) {
    using namespace platform;
    if (map.size() != source.structure.rank()) return kRange;
    DropView(source);
    FilesOpen open(source, target);
    if (SysError e = File::open(source.path, kReadWrite, kShareReadWrite,
                                Disposition::OpenExisting, source.file)) {
        logOpenFailure(e, source.path);
        return kFileError;
    }
    target.path = newPath;
    if (SysError e = createReplacing(newPath, target.file)) {
        logOpenFailure(e, newPath);
        return kFileError;
    }
    Structure reordered;
    if (Code c = Reorder(source.structure, reordered, map.data())) return c;
    target.structure = reordered;
    if (Code c = RecomputeStrides(target.structure)) return c;
    // As FileOpen builds them: the new object finds ids as the file opened again would.
    BuildLookupTables(target.structure, 100);
    if (Code c = FileCopyStruct(source, target, map.data())) return c;
    if (Code c = copyItems(source, target, reordered)) return c;
    if (target.file.close() != kOk) return kFileError;
    return kOk;
}

Result body::Transpose(const APLArray* arg) {
    std::string sourceName, newName, newPath;
    if (Code c = NameOf(arg, 0, sourceName)) return c;
    ArrayFileObject* found;
    if (Code c = LocateAs(sourceName.c_str(), found)) return c;
    auto& source = *found;
    if (Code c = NameOf(arg, 1, newName)) return c;
    NamedObject* made;
    if (Code c = LocateObject(newName.c_str(), kArrayFileKind, made,
                              [] { return MakeRecord(kArrayFileKind); }))
        return c;  // an existing name (10009) is left as it was
    NewObjectGuard guard(made);
    if (!made->parent || made->parent->kind != kRootKind) return kBadParent;
    if (Code c = TextOf(arg, 2, newPath)) return c;  // missing: 10001
    APLArray* order;
    if (Code c = GetItemArray(arg, 3, order)) return c;
    std::vector<uint32_t> map;
    if (Code c = DimensionMap(order, source.structure.rank(), map)) return c;
    if (Code c = ActTransposeFile(source, *as<ArrayFileObject>(made), newPath, map)) return c;
    guard.keep();
    return kOk;
}

}  // namespace zrt
