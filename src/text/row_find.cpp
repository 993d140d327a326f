// RowFind: where each row of one character matrix first occurs among the rows of another.
//
// Rows compare over the columns the two matrices share; where one matrix is wider, its extra
// columns must hold the pad character. Rows are first compared by a hash over the shared
// columns that skips pads, so only rows of equal hash are compared character by character.
#include <algorithm>
#include <climits>
#include <unordered_map>
#include <vector>

#include "frame/export_bodies.h"
#include "frame/result.h"
#include "text/text_args.h"
#include "zrt32.h"

namespace zrt {

namespace {

struct CharMatrix {
    const uint8_t* data;
    uint32_t rows, cols;
    const uint8_t* row(uint32_t r) const { return data + uint64_t(r) * cols; }
};

Code matrixOf(const APLArray* arg, uint32_t i, CharMatrix& m) {
    const APLArray* item = slotAt(arg, i);
    if (typeOf(item) != kChar || rankOf(item) != 2) return kBadType;
    m = {dataOf(item), shapeOf(item)[0], shapeOf(item)[1]};
    return kOk;
}

uint32_t rowHash(const uint8_t* row, uint32_t width, uint8_t pad) {
    uint32_t h = 1;
    for (uint32_t k = 0; k < width; ++k) {
        if (row[k] == pad) continue;
        h *= row[k];
        h = 2 * h + ((h & 0x70000000u) ? 1 : 0);
    }
    return h;
}

// Equal over width characters as C strings compare them: a NUL in both ends the comparison.
bool sameText(const uint8_t* a, const uint8_t* b, uint32_t width) {
    for (uint32_t k = 0; k < width; ++k) {
        if (a[k] != b[k]) return false;
        if (a[k] == 0) return true;
    }
    return true;
}

bool onlyPads(const uint8_t* from, uint32_t count, uint8_t pad) {
    for (uint32_t k = 0; k < count; ++k)
        if (from[k] != pad) return false;
    return true;
}

// The answers, one per row of B: a row number of A, or the number of rows of A + 1 for a row
// not found, which passes the largest 32-bit integer when A has 2^31 - 1 rows or more; then
// the answers are floating-point.
class RowNumbers {
public:
    RowNumbers(const CharMatrix& a, uint32_t rows)
        : notFound_(int64_t(a.rows) + 1),
          type_(notFound_ > INT32_MAX ? kDouble : kInt32),
          array_(AllocVector(type_, rows)) {}
    bool ok() const { return array_ != nullptr; }
    int64_t notFound() const { return notFound_; }
    void set(uint32_t r, int64_t number) {
        uint8_t* d = dataOf(array_.get());
        if (type_ == kInt32)
            setInt32At(d, r, static_cast<int32_t>(number));
        else
            setDoubleAt(d, r, static_cast<double>(number));
    }
    ArrayPtr take() { return std::move(array_); }

private:
    int64_t notFound_;
    uint32_t type_;
    ArrayPtr array_;
};

// With no shared columns every row holds the same nothing: a row of B whose own columns are
// all pads is found at the first such row of A; no row is indexed.
Result findInNoColumns(const CharMatrix& a, const CharMatrix& b, uint8_t pad) {
    RowNumbers out(a, b.rows);
    if (!out.ok()) return kNoMemory;
    int64_t first = out.notFound();
    for (uint32_t i = 0; i < a.rows && first == out.notFound(); ++i)
        if (onlyPads(a.row(i), a.cols, pad)) first = int64_t(i) + 1;
    for (uint32_t r = 0; r < b.rows; ++r)
        out.set(r, onlyPads(b.row(r), b.cols, pad) ? first : out.notFound());
    return out.take();
}

Result findRows(const CharMatrix& a, const CharMatrix& b, uint8_t pad) {
    uint32_t width = std::min(a.cols, b.cols);
    if (width == 0) return findInNoColumns(a, b, pad);
    // The rows of A by hash, in ascending order, so that the first of them that matches is the
    // first in A. A row whose extra columns are not all pads can match nothing.
    std::unordered_map<uint32_t, std::vector<uint32_t>> rowsByHash;
    for (uint32_t i = 0; i < a.rows; ++i)
        if (onlyPads(a.row(i) + width, a.cols - width, pad))
            rowsByHash[rowHash(a.row(i), width, pad)].push_back(i);

    RowNumbers out(a, b.rows);
    if (!out.ok()) return kNoMemory;
    for (uint32_t r = 0; r < b.rows; ++r) {
        int64_t found = out.notFound();
        const uint8_t* row = b.row(r);
        auto candidates = rowsByHash.find(rowHash(row, width, pad));
        if (candidates != rowsByHash.end() && onlyPads(row + width, b.cols - width, pad)) {
            for (uint32_t i : candidates->second)
                if (sameText(a.row(i), row, width)) {
                    found = int64_t(i) + 1;
                    break;
                }
        }
        out.set(r, found);
    }
    return out.take();
}

}  // namespace

// RowFind: (A; B; pad) → for each row of B the first row of A that holds it, counting from 1,
// or 1 + the number of rows of A.
Result body::RowFind(const APLArray* arg) {
    if (!IsNestedVector(arg, 3)) return kBadType;
    const APLArray* pad = slotAt(arg, 2);
    if (typeOf(pad) != kChar || cellCount(pad) != 1) return kBadType;
    CharMatrix a, b;
    if (Code c = matrixOf(arg, 0, a)) return c;
    if (Code c = matrixOf(arg, 1, b)) return c;
    return findRows(a, b, dataOf(pad)[0]);
}

}  // namespace zrt
