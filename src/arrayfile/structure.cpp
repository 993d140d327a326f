#include "arrayfile/structure.h"

#include <algorithm>

#include "arrayfile/item_flags.h"
#include "frame/args.h"

namespace zrt {

namespace {

// One entry of a selection argument, whatever form the argument takes.
struct SelectionEntry {
    enum Form { Character, Scalar, Ids } form;
    const APLArray* block;  // the entry's own array (null for an element of a simple vector)
    uint32_t index;         // the element of the selection, for a simple vector
};

Code entryOf(const APLArray* selection, uint32_t i, SelectionEntry& out) {
    uint32_t t = typeOf(selection);
    if (t == kChar) {
        out = {SelectionEntry::Character, nullptr, i};
        return kOk;
    }
    if (t != kNested) {
        out = {SelectionEntry::Scalar, nullptr, i};
        return kOk;
    }
    const APLArray* block = slotAt(selection, i);
    if (!block) return kBadType;
    if (typeOf(block) == kChar) out = {SelectionEntry::Character, block, 0};
    else if (rankOf(block) == 0) out = {SelectionEntry::Scalar, block, 0};
    else out = {SelectionEntry::Ids, block, 0};
    return kOk;
}

// The ids of an entry that is not a character value, read as 32-bit integers.
Code idsOf(const APLArray* selection, const SelectionEntry& e, Dimension& d) {
    if (e.form == SelectionEntry::Scalar) {
        int32_t id;
        if (Code c = GetItemInt(e.block ? e.block : selection, e.index, id)) return c;
        d.mode = kFixed;
        d.ids.assign(1, id);
    } else if (e.form == SelectionEntry::Ids) {
        uint32_t n = cellCount(e.block);
        d.mode = kSelected;
        d.ids.resize(n);
        for (uint32_t k = 0; k < n; ++k)
            if (Code c = GetItemInt(e.block, k, d.ids[k])) return c;
    } else {
        return kBadType;  // a character value means "all" only against a template
    }
    d.size = static_cast<uint32_t>(d.ids.size());
    return kOk;
}

Code checkIds(const Dimension& d, const Dimension& in) {
    for (int32_t id : d.ids)
        if (Lookup(in, id) < 0) return kBadType;
    return kOk;
}

}  // namespace

Code RecomputeStrides(Structure& s) {
    uint64_t stride = 1;
    for (uint32_t i = s.rank(); i-- > 0;) {
        s.dims[i].stride = static_cast<uint32_t>(stride);
        stride *= s.dims[i].size;
        if (stride > 0xFFFFFFFFu) return kRange;
    }
    s.cells = static_cast<uint32_t>(stride);
    return kOk;
}

void BuildLookupTables(Structure& s, uint32_t slack) {
    for (Dimension& d : s.dims) {
        d.lookup.clear();
        d.lookup.shrink_to_fit();
        if (slack == 0 || d.size == 0) continue;
        int32_t max = 0;
        bool positive = true;
        for (uint32_t p = 0; p < d.size; ++p) {
            max = std::max(max, d.ids[p]);
            positive = positive && d.ids[p] >= 1;
        }
        if (!positive || uint64_t(max) >= uint64_t(d.size) * (100 + uint64_t(slack)) / 100)
            continue;
        d.lookup.assign(uint32_t(max) + 1, -1);
        d.lookup[0] = max;
        for (uint32_t p = 0; p < d.size; ++p) d.lookup[uint32_t(d.ids[p])] = int32_t(p);
    }
}

Code BuildFromSelection(const APLArray* selection, const Structure* tmpl, Structure& out,
                        uint32_t slack, bool check) {
    if (!selection || rankOf(selection) != 1) return kNotVector;
    uint32_t length = shapeOf(selection)[0];
    Structure s;
    if (tmpl) {
        uint32_t open = 0;
        for (const Dimension& d : tmpl->dims) open += d.mode != kFixed;
        if (open != length) return kRange;
        s.dims.resize(tmpl->rank());
    } else {
        s.dims.resize(length);
    }
    for (uint32_t i = 0, next = 0; i < s.rank(); ++i) {
        Dimension& d = s.dims[i];
        const Dimension* t = tmpl ? &tmpl->dims[i] : nullptr;
        if (t && t->mode == kFixed) {
            d.mode = kFixed;
            d.size = t->size;
            d.ids = t->ids;
            continue;
        }
        SelectionEntry e;
        if (Code c = entryOf(selection, next++, e)) return c;
        if (t && e.form == SelectionEntry::Character) {
            d.mode = kAll;
            d.size = t->size;
            d.ids = t->ids;
            continue;
        }
        if (Code c = idsOf(selection, e, d)) return c;
        if (t && check)
            if (Code c = checkIds(d, *t)) return c;
    }
    if (Code c = RecomputeStrides(s)) return c;
    BuildLookupTables(s, slack);
    out = std::move(s);
    return kOk;
}

Code Intersect(const Structure& a, const Structure& b, Structure& out, uint32_t slack) {
    if (a.rank() != b.rank()) return kRange;
    Structure s;
    s.dims.resize(a.rank());
    for (uint32_t i = 0; i < a.rank(); ++i) {
        Dimension& d = s.dims[i];
        d.mode = a.dims[i].mode;
        for (uint32_t p = 0; p < a.dims[i].size; ++p)
            if (Lookup(b.dims[i], a.dims[i].ids[p]) >= 0) d.ids.push_back(a.dims[i].ids[p]);
        d.size = static_cast<uint32_t>(d.ids.size());
    }
    if (Code c = RecomputeStrides(s)) return c;  // cannot fail: never more cells than a
    BuildLookupTables(s, slack);
    out = std::move(s);
    return kOk;
}

Code Reorder(const Structure& s, Structure& out, const uint32_t* order) {
    Structure r;
    r.dims.resize(s.rank());
    for (uint32_t i = 0; i < s.rank(); ++i) {
        uint32_t from = order ? order[i] : i;
        if (from >= s.rank()) return kRange;
        const Dimension& d = s.dims[from];
        r.dims[i].mode = d.mode;
        r.dims[i].size = d.size;
        r.dims[i].stride = d.stride;
        r.dims[i].ids = d.ids;
    }
    r.cells = s.cells;
    out = std::move(r);
    return kOk;
}

APLArray* StructureToAPL(const Structure& s) {
    ArrayPtr result(AllocVector(kNested, s.rank()));
    if (!result) return nullptr;
    for (uint32_t i = 0; i < s.rank(); ++i) {
        const Dimension& d = s.dims[i];
        bool fixed = d.mode == kFixed && d.size == 1;
        APLArray* ids = fixed ? AllocScalar(kInt32) : AllocVector(kInt32, d.size);
        if (!ids) return nullptr;  // the slots made so far go with result
        if (d.size) std::memcpy(dataOf(ids), d.ids.data(), size_t(d.size) * 4);
        setSlot(result.get(), i, ids);
    }
    return result.release();
}

Code ResultArray(const Structure& s, uint32_t itemFlags, ArrayPtr& out) {
    std::vector<uint32_t> shape;
    for (const Dimension& d : s.dims)
        if (d.mode != kFixed) shape.push_back(d.size);
    uint32_t type = (itemFlags & kDoubleCells) ? kDouble : kBool;
    out.reset(AllocArray(type, static_cast<uint32_t>(shape.size()), shape.data()));
    return out ? kOk : kNoMemory;
}

Code CheckData(const Structure& s, const APLArray* data, uint32_t itemFlags) {
    if (!data) return kBadType;
    uint32_t t = typeOf(data);
    bool suits = CellKindOf(itemFlags) == kDoubleCells ? isSimpleNumeric(t)
                 : CellKindOf(itemFlags) == kBitCells  ? t == kBool
                                                       : false;
    if (!suits || cellCount(data) != s.cells) return kBadType;
    return kOk;
}

Code ToDoubles(const APLArray* data, ArrayPtr& copy, const APLArray*& doubles) {
    if (!data || !isSimpleNumeric(typeOf(data))) return kBadType;
    if (typeOf(data) == kDouble) {
        doubles = data;
        return kOk;
    }
    copy.reset(AllocArray(kDouble, rankOf(data), shapeOf(data)));
    if (!copy) return kNoMemory;
    uint8_t* to = dataOf(copy.get());
    for (uint32_t k = 0, n = cellCount(data); k < n; ++k) setDoubleAt(to, k, numberAt(data, k));
    doubles = copy.get();
    return kOk;
}

}  // namespace zrt
