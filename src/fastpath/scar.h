// SCAR: the flat, position-independent encoding of an APL array tree.
//
// A SCAR buffer is an 8-byte header followed by a tree of nodes:
//
//   header  byte 0     form: 'B' binary nodes follow, 'A' the nodes as printable text
//           byte 1     byte order of the nodes: 'L' little-endian, 'B' big-endian
//           bytes 2-7  name of the character set of the character data, blank-padded
//   node    bytes 0-3  length of this node alone: 8 + 4*rank + the data, in whole words
//           byte 4     SQType
//           byte 5     rank, 0..15
//           bytes 6-7  zero
//           then       the shape (u32 per axis), then the data: n elements of the SQType's
//                      width, packed; a nested node (SQType 12) holds n u32 offsets, each from
//                      the start of the node to the node of an item
//
// n is the product of the shape, except that an empty nested node holds one item, its
// prototype. The encoder writes 'B', 'L' and the interpreter's character set, zeroes the
// padding and places every node's items right after it, in item order; the decoder also
// accepts big-endian and text buffers, complex numbers, arithmetic progressions, wide
// characters and heterogeneous arrays, which other writers produce.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "fastpath/built_tree.h"
#include "frame/array.h"
#include "frame/codes.h"

namespace zrt {

constexpr size_t kScarHeaderSize = 8;

// Bits per element of each SQType as SCAR data count them; an arithmetic progression (7, 8)
// stores its start and step once, a heterogeneous element (13) is 10 bytes.
constexpr uint32_t kScarBits[16] = {0, 1, 8, 16, 32, 64, 128, 64, 128, 8, 16, 32, 32, 80, 32, 0};

// Decoding recurses once per level of nesting; deeper trees are refused both ways, so that
// what is written can be read and hostile data cannot exhaust the stack.
constexpr uint32_t kMaxScarDepth = 1000;

// A buffer that the decoder may change in place.
struct ByteSpan {
    uint8_t* data = nullptr;
    size_t size = 0;
};

struct ScarBuffer {
    std::unique_ptr<uint8_t[]> bytes;
    size_t size = 0;
};

// ---- Encoding --------------------------------------------------------------------------------
// Two passes: the plan measures the tree and places every node; the encoder then hands the
// bytes over in order, so that a file can take them as they come, without a copy of the whole.

// Where the nodes of a tree go: the total size of the node tree (header excluded) and, for
// each nested node in the order the encoder meets them, the offsets of its items.
struct ScarPlan {
    uint64_t treeSize = 0;
    std::vector<uint32_t> offsets;
};

// kBadType for an array that cannot be encoded: element types 7-15, nesting deeper than
// kMaxScarDepth, or a buffer that would not fit 32-bit offsets and sizes.
[[nodiscard]] Code PlanScar(const APLArray* a, ScarPlan& plan);

// Total size in bytes of the node tree of a, header excluded.
[[nodiscard]] Code ScarSize(const APLArray* a, uint64_t& size);

// Receives an encoding in order, in pieces.
class ScarSink {
public:
    virtual ~ScarSink() = default;
    virtual void put(const void* bytes, size_t count) = 0;
};

// Header 'B', 'L' and the interpreter's character-set name, then the tree of a as planned.
// Null item slots (an empty nested array's unfilled prototype) encode as an empty vector;
// padding is zeroed.
void WriteScar(const APLArray* a, const ScarPlan& plan, ScarSink& sink);

// The whole encoding in one new buffer; kNoMemory when it cannot be had.
[[nodiscard]] Code EncodeScar(const APLArray* a, ScarBuffer& out);

// ---- Decoding --------------------------------------------------------------------------------
// Every offset and length is checked against the buffer before it is followed; what does not
// fit, node types 0 and 15 and above, heterogeneous tags other than 1-5, 9 and 12, axes beyond
// rank 15, a node reached twice and nesting deeper than kMaxScarDepth are damage: kFileError.
// A heterogeneous node at the deepest level is damage too (its elements would lie deeper, where
// no tree can be written back).
//
// limit: the bytes that the arrays built from the tree may take together (0: no limit). The
// fix-up counts them; a tree that would take more is refused with kNoMemory before the builder
// allocates anything.

// Prepares a whole buffer for BuildFromScar: the text form is decoded into `decoded` (and buffer
// then refers to it), nodes of the other byte order are swapped to the local one ('L'), and
// character data is translated through table (null: none). Nothing is written when the buffer
// is binary, in the local order and no table is given.
[[nodiscard]] Code PrepareScar(ByteSpan& buffer, char local, const uint8_t* table, uint64_t limit,
                 std::unique_ptr<uint8_t[]>& decoded);

// The in-place fix-up of the node tree at node (a position in buffer).
[[nodiscard]] Code FixUpScar(ByteSpan buffer, size_t node, bool swap, const uint8_t* table, uint64_t limit);

// A new array tree from the fixed-up node tree at node.
[[nodiscard]] Code BuildFromScar(ByteSpan buffer, size_t node, TreePtr& out);

// The bytes that the text form gives for text (up to its first NUL or its end).
void DecodeScarText(const uint8_t* text, size_t size, uint8_t* out, size_t& written);
size_t ScarTextDecodedSize(const uint8_t* text, size_t size);

}  // namespace zrt
