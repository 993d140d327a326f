#include <cstring>
#include <new>
#include <vector>

#include "fastpath/byte_order.h"
#include "fastpath/scar.h"
#include "frame/log.h"

namespace zrt {

namespace {

// A node as read from the buffer, every part of it known to lie inside.
struct Node {
    size_t pos = 0;
    uint32_t type = 0;
    uint32_t rank = 0;
    uint32_t shape[16] = {};  // one spare axis for the one that wide elements add
    uint64_t count = 0;       // elements; an empty nested node holds its prototype
    uint8_t* data = nullptr;
    uint64_t dataBytes = 0;
};

bool fits(ByteSpan b, size_t pos, uint64_t bytes) { return pos <= b.size && bytes <= b.size - pos; }

// Product of the shape; like AllocArray, an intermediate product beyond 32 bits stays too
// large even if a later axis is 0.
uint64_t productOf(const uint32_t* shape, uint32_t rank) {
    uint64_t n = 1;
    for (uint32_t i = 0; i < rank; ++i) {
        n *= shape[i];
        if (n > 0xFFFFFFFFu) return uint64_t(1) << 32;
    }
    return n;
}

constexpr uint32_t kNoElements = 0;

bool isWide(uint32_t type) { return type == kSqComplex || type == kSqChar16 || type == kSqChar32; }

// Reads the node at pos, whose header and shape are in the local order, and checks that its
// type is one the decoder knows and that its data lie inside both the node and the buffer.
bool readNode(ByteSpan b, size_t pos, Node& node) {
    if (!fits(b, pos, 8)) return false;
    const uint8_t* p = b.data + pos;
    node.pos = pos;
    node.type = p[4];
    node.rank = p[5];
    if (node.type == kSqNone || node.type >= kSqInvalid || node.rank > 15) return false;
    if (isWide(node.type) && node.rank == 15) return false;  // no room for the extra axis
    const uint64_t header = 8 + 4 * uint64_t(node.rank);
    if (!fits(b, pos, header)) return false;
    for (uint32_t i = 0; i < node.rank; ++i) node.shape[i] = load32le(p + 8 + 4 * i);
    node.count = productOf(node.shape, node.rank);
    if (node.count > 0xFFFFFFFFu) return false;
    if (node.type == kSqNested && node.count == 0) node.count = 1;
    const uint32_t bits = kScarBits[node.type];
    if (node.type == kSqApvInt || node.type == kSqApvDouble) node.dataBytes = bits / 8;
    else if (node.type == kSqBoxed) node.dataBytes = 0;
    else node.dataBytes = (node.count * bits + 7) / 8;
    const uint32_t length = load32le(p);
    if (length < header + node.dataBytes || !fits(b, pos, length)) return false;
    // Each item of a nested node is a node of its own, of 8 bytes at least, entered once.
    if (node.type == kSqNested && node.count > (b.size - pos) / 8) return false;
    node.data = b.data + pos + header;
    return true;
}

// The bytes of the block that AllocArray makes, counted without its 32-bit limits.
uint64_t blockBytes(uint32_t aplType, uint32_t rank, const uint32_t* shape) {
    const uint64_t n = productOf(shape, rank);
    uint64_t data = (n * bitsOf(aplType) + 31) / 32 * 4;
    if (aplType == kNested && n == 0) data += kSlotBytes;  // the prototype slot
    return data + 4 * (uint64_t(rank) + 2);
}

// The bytes of the arrays that the builder makes for a node, its items apart: a few bytes of
// data may ask for a large array (a progression, a nested node of empty items).
uint64_t builtBytes(const Node& n) {
    const uint32_t aplType = APLTypeOfSQType(n.type);
    switch (n.type) {
    case kSqBoxed: return blockBytes(kInt32, 1, &kNoElements);  // an empty vector
    case kSqHetero: {
        const uint64_t scalar = blockBytes(kDouble, 0, nullptr);  // the widest element
        return blockBytes(kNested, n.rank, n.shape) + n.count * scalar;
    }
    default: {
        const uint32_t ratio = kScarBits[n.type] / bitsOf(aplType);
        const uint64_t bytes = blockBytes(aplType, n.rank, n.shape);
        return ratio > 1 ? bytes * ratio : bytes;  // a further axis of ratio parts
    }
    }
}

// One pass over a node tree. Offsets lead forward only, so no node is its own ancestor; a
// node reached twice would be fixed up twice, and shared sub-trees could make the work grow
// without bound, so each node start is entered once. The depth is what the stack can bear.
class Walk {
public:
    explicit Walk(ByteSpan b) : buffer_(b) {}
    ByteSpan buffer() const { return buffer_; }

    // The position of the node at offset from the node at from, if it may be entered.
    bool enterChild(size_t from, uint32_t offset, size_t& child) {
        if (offset == 0 || offset >= buffer_.size - from || depth_ >= kMaxScarDepth) return false;
        child = from + offset;
        if (seen_.empty()) seen_.resize(buffer_.size);
        if (seen_[child]) return false;
        seen_[child] = true;
        ++depth_;
        return true;
    }
    void leaveChild() { --depth_; }
    uint32_t depth() const { return depth_; }

private:
    ByteSpan buffer_;
    std::vector<bool> seen_;  // node starts met, made when the first item is followed
    uint32_t depth_ = 1;
};

bool logging(uint32_t level) { return LogEnabled(0, kLogScar, level); }
void logCase(const char* name) {
    if (logging(8)) LogMessage(name);
}

// ---- The in-place fix-up -------------------------------------------------------------------

class Fixup {
public:
    Fixup(ByteSpan b, bool swap, const uint8_t* table, uint64_t limit)
        : walk_(b), swap_(swap), table_(table), left_(limit ? limit : UINT64_MAX) {}

    Code node(size_t pos) {
        if (logging(7)) LogMessage("SCARDecode");
        ByteSpan b = walk_.buffer();
        if (swap_) {
            // The header first: the rank and the shape say where the data lie.
            if (!fits(b, pos, 8)) return kFileError;
            uint8_t* p = b.data + pos;
            reverseBytes(p, 4);
            if (p[5] > 15 || !fits(b, pos, 8 + 4 * uint64_t(p[5]))) return kFileError;
            reverseEach(p + 8, p[5], 4);
        }
        Node n;
        if (!readNode(b, pos, n)) return kFileError;
        if (Code c = charge(builtBytes(n))) return c;
        switch (n.type) {
        case kSqBool: case kSqInt8: case kSqInt16: case kSqInt32: case kSqDouble:
        case kSqChar16: case kSqChar32:
            logCase("Numeric");
            if (swap_ && kScarBits[n.type] > 8) reverseEach(n.data, n.count, kScarBits[n.type] / 8);
            return kOk;
        case kSqComplex:
            logCase("Complex");
            if (swap_) reverseEach(n.data, 2 * n.count, 8);
            return kOk;
        case kSqApvInt: case kSqApvDouble:
            logCase("APV");
            if (swap_) reverseEach(n.data, 2, kScarBits[n.type] / 16);
            return kOk;
        case kSqChar:
            logCase("Char");
            if (table_) translate(n.data, n.count);
            return kOk;
        case kSqNested:
            logCase("Pntr");
            for (uint64_t k = 0; k < n.count; ++k)
                if (Code c = item(n.pos, n.data + 4 * k)) return c;
            return kOk;
        case kSqHetero:
            logCase("HET");
            for (uint64_t k = 0; k < n.count; ++k)
                if (Code c = heteroElement(n.pos, n.data + 10 * k)) return c;
            return kOk;
        default:  // boxed: nothing to fix
            return kOk;
        }
    }

private:
    // The limit is kept before the builder allocates anything.
    Code charge(uint64_t bytes) {
        if (bytes <= left_) {
            left_ -= bytes;
            return kOk;
        }
        if (logging(3)) LogMessage("ERROR SCAR data would take more memory than allowed");
        return kNoMemory;
    }

    void translate(uint8_t* p, uint64_t n) {
        if (logging(8)) {
            LogMessage("Decode");
            LogBytes(p, static_cast<uint32_t>(n));
        }
        for (uint64_t k = 0; k < n; ++k) p[k] = table_[p[k]];
    }

    Code item(size_t from, uint8_t* offsetField) {
        if (swap_) reverseBytes(offsetField, 4);
        size_t child;
        if (!walk_.enterChild(from, load32le(offsetField), child)) return kFileError;
        Code c = node(child);
        walk_.leaveChild();
        return c;
    }

    // A 10-byte element: its SQType tag, a spare byte, and the value.
    Code heteroElement(size_t from, uint8_t* e) {
        const uint32_t tag = e[0];
        if (logging(9)) {
            LogValue("HET element", static_cast<int32_t>(tag));
            LogValue("HET size", 10);
        }
        switch (tag) {
        case kSqBool: case kSqInt8: case kSqInt16: case kSqInt32: case kSqDouble:
            if (swap_ && kScarBits[tag] > 8) reverseBytes(e + 2, kScarBits[tag] / 8);
            return kOk;
        case kSqChar:
            if (table_) e[2] = table_[e[2]];
            return kOk;
        case kSqNested: {
            if (swap_) reverseBytes(e + 2, 4);
            if (logging(9)) LogValue("HET ptr offset", static_cast<int32_t>(load32le(e + 2)));
            size_t child;
            if (!walk_.enterChild(from, load32le(e + 2), child)) return kFileError;
            Code c = node(child);
            walk_.leaveChild();
            return c;
        }
        default:
            return kFileError;
        }
    }

    Walk walk_;
    bool swap_;
    const uint8_t* table_;
    uint64_t left_;
};

// ---- Building arrays -----------------------------------------------------------------------

TreePtr newArray(uint32_t sqType, uint32_t rank, const uint32_t* shape) {
    return TreePtr(AllocArrayOfSQType(sqType, rank, shape));
}

template <class T>
TreePtr scalarOf(uint32_t aplType, T value) {
    TreePtr a(AllocScalar(aplType));
    if (a) std::memcpy(dataOf(a.get()), &value, sizeof value);
    return a;
}

class Builder {
public:
    explicit Builder(ByteSpan b) : walk_(b) {}

    Code node(size_t pos, TreePtr& out) {
        Node n;
        if (!readNode(walk_.buffer(), pos, n)) return kFileError;
        switch (n.type) {
        case kSqNested: return nested(n, out);
        case kSqHetero: return hetero(n, out);
        case kSqBoxed:
            LogMessage("ERROR Boxed array not supported");
            out.reset(EmptyVector());
            return out ? kOk : kNoMemory;
        case kSqApvInt: case kSqApvDouble: return progression(n, out);
        default: return simple(n, out);
        }
    }

private:
    Code child(size_t from, uint32_t offset, TreePtr& out) {
        if (logging(8)) LogValue("Nested at offset:", static_cast<int32_t>(offset));
        size_t pos;
        if (!walk_.enterChild(from, offset, pos)) return kFileError;
        Code c = node(pos, out);
        walk_.leaveChild();
        return c;
    }

    Code nested(const Node& n, TreePtr& out) {
        TreePtr a = newArray(kSqNested, n.rank, n.shape);
        if (!a) return kNoMemory;
        for (uint32_t k = 0; k < n.count; ++k) {
            TreePtr item;
            if (Code c = child(n.pos, load32le(n.data + 4 * uint64_t(k)), item)) return c;
            setSlot(a.get(), k, item.release());
        }
        out = std::move(a);
        return kOk;
    }

    Code hetero(const Node& n, TreePtr& out) {
        if (logging(8)) {
            LogMessage("Heterogen");
            LogValue("Converting Het to Pntr:", static_cast<int32_t>(n.count));
        }
        // Its elements become scalars one level down, where no tree may reach from the
        // deepest level: what is read must write back.
        if (n.count > 0 && walk_.depth() >= kMaxScarDepth) return kFileError;
        TreePtr a = newArray(kSqNested, n.rank, n.shape);
        if (!a) return kNoMemory;
        for (uint32_t k = 0; k < n.count; ++k) {
            TreePtr item;
            if (Code c = heteroItem(n.pos, n.data + 10 * uint64_t(k), item)) return c;
            setSlot(a.get(), k, item.release());
        }
        out = std::move(a);
        return kOk;
    }

    Code heteroItem(size_t from, const uint8_t* e, TreePtr& out) {
        const uint8_t* v = e + 2;
        const char* line = nullptr;
        switch (e[0]) {
        case kSqBool:
            line = "Converting bit to 4 byte:";
            out = scalarOf<int32_t>(kInt32, v[0] >> 7);
            break;
        case kSqInt8:
            line = "Converting byte to 4 byte:";
            out = scalarOf<int32_t>(kInt32, static_cast<int8_t>(v[0]));
            break;
        case kSqInt16:
            line = "Converting 2 byte to 4 byte:";
            out = scalarOf<int32_t>(kInt32, static_cast<int16_t>(load16le(v)));
            break;
        case kSqInt32:
            line = "Copying 4 byte:";
            out = scalarOf<int32_t>(kInt32, static_cast<int32_t>(load32le(v)));
            break;
        case kSqDouble: {
            double d;
            std::memcpy(&d, v, 8);
            out = scalarOf(kDouble, d);
            break;
        }
        case kSqChar:
            out = scalarOf(kChar, v[0]);
            break;
        case kSqNested:
            return child(from, load32le(v), out);
        default:
            return kFileError;
        }
        if (line && logging(8)) LogValue(line, 1);
        return out ? kOk : kNoMemory;
    }

    Code progression(const Node& n, TreePtr& out) {
        TreePtr a = newArray(n.type, n.rank, n.shape);
        if (!a) {
            LogMessage("ERROR memory allocation APV");
            return kNoMemory;
        }
        uint8_t* d = dataOf(a.get());
        if (n.type == kSqApvInt) {
            // Wrapping 32-bit addition, as the interpreter's integers would.
            uint32_t value = load32le(n.data), step = load32le(n.data + 4);
            for (uint32_t k = 0; k < n.count; ++k, value += step) store32le(d + 4 * uint64_t(k), value);
        } else {
            double value = doubleAt(n.data, 0), step = doubleAt(n.data, 1);
            for (uint32_t k = 0; k < n.count; ++k, value += step) setDoubleAt(d, k, value);
        }
        out = std::move(a);
        return kOk;
    }

    // Elements wider than the array type they map to (complex numbers, 2- and 4-byte
    // characters) become a further axis of 2 or 4 elements holding their parts.
    Code simple(const Node& n, TreePtr& out) {
        const uint32_t ratio = kScarBits[n.type] / bitsOf(APLTypeOfSQType(n.type));
        uint32_t shape[16];
        std::memcpy(shape, n.shape, sizeof shape);
        uint32_t rank = n.rank;
        if (ratio > 1) shape[rank++] = ratio;
        TreePtr a = newArray(n.type, rank, shape);
        if (!a) return kNoMemory;
        if (logging(8)) LogValue("Moving:", static_cast<int32_t>(n.dataBytes));
        if (n.dataBytes) std::memcpy(dataOf(a.get()), n.data, n.dataBytes);
        out = std::move(a);
        return kOk;
    }

    Walk walk_;
};

uint8_t sixBits(uint8_t c) { return static_cast<uint8_t>(c - 32); }

size_t textLength(const uint8_t* text, size_t size) {
    const void* nul = std::memchr(text, 0, size);
    return nul ? static_cast<size_t>(static_cast<const uint8_t*>(nul) - text) : size;
}

}  // namespace

// ---- The text form ---------------------------------------------------------------------------
// Each 4 characters stand for 3 bytes, each character for the 6-bit value c - 32 (the
// character mapping of uuencoding, without its lines); a final group of 2 or 3 characters
// gives 1 or 2 bytes, a lone final character nothing.

size_t ScarTextDecodedSize(const uint8_t* text, size_t size) {
    static constexpr size_t kTail[4] = {0, 0, 1, 2};
    const size_t n = textLength(text, size);
    return n / 4 * 3 + kTail[n % 4];
}

void DecodeScarText(const uint8_t* text, size_t size, uint8_t* out, size_t& written) {
    const size_t n = textLength(text, size);
    written = 0;
    for (size_t k = 0; k + 1 < n; k += 4) {
        const uint8_t c0 = sixBits(text[k]), c1 = sixBits(text[k + 1]);
        const uint8_t c2 = k + 2 < n ? sixBits(text[k + 2]) : 0;
        const uint8_t c3 = k + 3 < n ? sixBits(text[k + 3]) : 0;
        out[written++] = static_cast<uint8_t>(c0 << 2 | c1 >> 4);
        if (k + 2 < n) out[written++] = static_cast<uint8_t>(c1 << 4 | c2 >> 2);
        if (k + 3 < n) out[written++] = static_cast<uint8_t>(c2 << 6 | c3);
    }
}

// ---- Entry points ----------------------------------------------------------------------------

Code PrepareScar(ByteSpan& buffer, char local, const uint8_t* table, uint64_t limit,
                 std::unique_ptr<uint8_t[]>& decoded) {
    if (LogEnabled(0, kLogScar, 2)) LogMessage("XSCARDecode");
    if (buffer.size < kScarHeaderSize) return kFileError;
    const uint8_t form = buffer.data[0], order = buffer.data[1];
    if ((form != 'A' && form != 'B') || (order != 'L' && order != 'B')) return kNoDefaultChar;
    if (form == 'A') {
        const uint8_t* text = buffer.data + kScarHeaderSize;
        const size_t textSize = buffer.size - kScarHeaderSize;
        const size_t size = kScarHeaderSize + ScarTextDecodedSize(text, textSize);
        decoded.reset(new (std::nothrow) uint8_t[size]);
        if (!decoded) return kNoMemory;
        std::memcpy(decoded.get(), buffer.data, kScarHeaderSize);
        decoded[0] = 'B';
        size_t written;
        DecodeScarText(text, textSize, decoded.get() + kScarHeaderSize, written);
        buffer = {decoded.get(), size};
    }
    if (LogEnabled(0, kLogScar, 3)) LogMessage("Binary");
    return FixUpScar(buffer, kScarHeaderSize, order != static_cast<uint8_t>(local), table, limit);
}

Code FixUpScar(ByteSpan buffer, size_t node, bool swap, const uint8_t* table, uint64_t limit) {
    return Fixup(buffer, swap, table, limit).node(node);
}

Code BuildFromScar(ByteSpan buffer, size_t node, TreePtr& out) {
    return Builder(buffer).node(node, out);
}

}  // namespace zrt
