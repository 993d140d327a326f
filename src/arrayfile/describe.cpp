// Describe: the tree of objects below any object, either as bare names or, to a chosen depth,
// with each object's own description.
#include <string>
#include <vector>

#include "arrayfile/arguments.h"
#include "arrayfile/objects.h"
#include "arrayfile/version_text.h"
#include "frame/args.h"
#include "frame/export_bodies.h"
#include "frame/result.h"
#include "frame/root.h"
#include "zrt32.h"

namespace zrt {

namespace {

// Every builder below gives null when memory runs short, and so does any array built from a
// null part: the export reports 10012 once, at the top.

ArrayPtr text(const std::string& s) {
    uint32_t n = static_cast<uint32_t>(s.size());
    ArrayPtr a(AllocVector(kChar, n));
    if (a) (void)SetItemString(a.get(), 0, s.data(), n);  // host characters to the interpreter's
    return a;
}

ArrayPtr integer(uint32_t value) {
    ArrayPtr a(AllocScalar(kInt32));
    if (a) setInt32At(dataOf(a.get()), 0, static_cast<int32_t>(value));
    return a;
}

ArrayPtr vectorOf(std::vector<ArrayPtr> items) {
    for (const ArrayPtr& item : items)
        if (!item) return nullptr;
    ArrayPtr v(AllocVector(kNested, static_cast<uint32_t>(items.size())));
    if (!v) return nullptr;
    for (uint32_t k = 0; k < items.size(); ++k) setSlot(v.get(), k, items[k].release());
    return v;
}

template <class... A>
ArrayPtr vectorOf(ArrayPtr first, A... rest) {
    std::vector<ArrayPtr> items;
    items.push_back(std::move(first));
    (items.push_back(std::move(rest)), ...);
    return vectorOf(std::move(items));
}

// The children's descriptions, or the empty vector when there are none.
ArrayPtr childrenOf(std::vector<ArrayPtr> described) {
    if (described.empty()) return ArrayPtr(EmptyVector());
    return vectorOf(std::move(described));
}

std::string nameOf(const NamedObject& o) { return o.kind == kRootKind ? "." : o.name; }

// (name, children), the whole subtree.
ArrayPtr nameTree(NamedObject& o) {
    std::vector<ArrayPtr> children;
    for (auto& c : o.children) children.push_back(nameTree(*c));
    return vectorOf(text(nameOf(o)), childrenOf(std::move(children)));
}

// The root: (".", 1, version text, registry base); an array file or memory array: (name, kind,
// one id vector per dimension, a scalar id where the dimension is fixed); anything else:
// (name).
ArrayPtr ownDescription(NamedObject& o) {
    switch (o.kind) {
    case kRootKind:
        return vectorOf(text(nameOf(o)), integer(o.kind), text(LibraryVersionText()),
                        text(as<RootObject>(&o)->registryBase));
    case kArrayFileKind:
    case kMemoryArrayKind:
        return vectorOf(text(o.name), integer(o.kind), ArrayPtr(StructureToAPL(StructureOf(&o))));
    default:
        return vectorOf(text(o.name));
    }
}

// (own description, children), the children described only while levels remain: depth 1 is
// the object alone.
ArrayPtr detailedTree(NamedObject& o, uint32_t depth) {
    std::vector<ArrayPtr> children;
    if (depth > 1)
        for (auto& c : o.children) children.push_back(detailedTree(*c, depth - 1));
    return vectorOf(ownDescription(o), childrenOf(std::move(children)));
}

}  // namespace

Result body::Describe(const APLArray* arg) {
    std::string name;
    if (Code c = NameOf(arg, 0, name)) return c;
    NamedObject* object;
    if (Code c = LocateObject(name.c_str(), kAnyKind, object)) return c;
    // A depth that is missing, not an integer, or below 1 asks for the tree of names.
    int32_t depth = 0;
    if (GetItemInt(arg, 1, depth) != kOk || depth < 1) return nameTree(*object);
    return detailedTree(*object, static_cast<uint32_t>(depth));
}

}  // namespace zrt
