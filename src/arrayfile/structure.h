// Structures: the dimensions of an array file, a memory array or a selection out of either.
//
// Each dimension is an ordered list of element ids; a position in it times its stride is its
// contribution to a cell number, and the last dimension varies fastest. Cells are always
// addressed by id: a selection names ids, and Lookup turns an id into the position it has in
// the array's own dimension.
//
// Direct lookup tables make Lookup one indexed load. A dimension has one only when it was
// built with a slack above 0, is not empty, holds no id below 1 (entry 0 of a table holds the
// largest id, so ids below 1 cannot be entered) and its largest id is below
// size * (100 + slack) / 100. A table holds the last position of a repeated id, the linear
// search the first.
#pragma once

#include <cstdint>
#include <vector>

#include "frame/array.h"
#include "frame/codes.h"

namespace zrt {

enum DimensionMode : uint32_t {
    kFixed = 0,     // a single id; the dimension does not appear in result shapes
    kSelected = 1,  // a vector of ids
    kAll = 2,       // every id of the template's dimension, in its order
};

struct Dimension {
    uint32_t mode = kAll;
    // Ids walked: normally ids.size(); a collapsed walk holds it at 1 for a while.
    uint32_t size = 0;
    uint32_t stride = 0;
    std::vector<int32_t> ids;
    std::vector<int32_t> lookup;  // empty: no table
};

struct Structure {
    uint32_t rank() const { return static_cast<uint32_t>(dims.size()); }
    uint32_t cells = 1;  // product of the sizes
    std::vector<Dimension> dims;
};

// The position of id in the dimension, or -1.
inline int32_t Lookup(const Dimension& d, int32_t id) {
    if (!d.lookup.empty()) {
        if (id < 1 || id > d.lookup[0]) return -1;
        return d.lookup[static_cast<uint32_t>(id)];
    }
    for (uint32_t p = 0, n = static_cast<uint32_t>(d.ids.size()); p < n; ++p)
        if (d.ids[p] == id) return static_cast<int32_t>(p);
    return -1;
}

// Strides from the last dimension backwards, and the cell count. 10001 when the count does not
// fit 32 bits (cells are numbered with 32-bit numbers).
[[nodiscard]] Code RecomputeStrides(Structure& s);

// Builds the direct tables of every dimension that qualifies (see above); drops the others.
void BuildLookupTables(Structure& s, uint32_t slack);

// A structure from an APL selection: a vector with one entry per dimension (per dimension not
// fixed in the template, when there is one). An entry is a scalar id (fixed), a vector of ids
// (selected) or, with a template, a character value (all ids of the template's dimension).
// With check set, every id must be in the template's dimension (else 10004).
// Codes: 10002 not a vector (or missing), 10001 wrong length or too many cells, 10004 an id
// that is not a 32-bit integer or not in the template.
[[nodiscard]] Code BuildFromSelection(const APLArray* selection, const Structure* tmpl, Structure& out,
                        uint32_t slack, bool check);

// Per dimension, the ids of a (in a's order, repeats kept) that b's same dimension holds;
// modes from a; tables with the given slack. 10001 when the ranks differ.
[[nodiscard]] Code Intersect(const Structure& a, const Structure& b, Structure& out, uint32_t slack);

// Dimension i of out is dimension order[i] of s (dimension i without an order), with its mode,
// size, ids and stride, and no tables. The strides are the source's, so that a walk through
// the result reads the source in the new order; RecomputeStrides gives it its own.
// 10001 when an order entry names no dimension of s.
[[nodiscard]] Code Reorder(const Structure& s, Structure& out, const uint32_t* order);

// A nested vector with one 32-bit integer vector of ids per dimension (a scalar for a fixed
// dimension). Null when memory is short.
APLArray* StructureToAPL(const Structure& s);

// A new array for the values of an item through s: one axis per dimension that is not fixed,
// doubles when the flags have double cells, else Booleans. 10012 when it cannot be made.
[[nodiscard]] Code ResultArray(const Structure& s, uint32_t itemFlags, ArrayPtr& out);

// 0 when data suits an item with these flags (numeric for double cells, Boolean for bit cells)
// and holds exactly as many elements as s has cells; else 10004.
[[nodiscard]] Code CheckData(const Structure& s, const APLArray* data, uint32_t itemFlags);

// data as doubles: data itself when it already holds doubles, else a converted copy kept in
// copy. 10004 when data is not numeric, 10012 when the copy cannot be made.
[[nodiscard]] Code ToDoubles(const APLArray* data, ArrayPtr& copy, const APLArray*& doubles);

}  // namespace zrt
