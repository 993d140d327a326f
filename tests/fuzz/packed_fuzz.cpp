// Packed buffers: APLUnPack of any bytes, APLCalcSize and APLPack of what it made (the same
// bytes come back), and XC calling an export that touches no file with the unpacked array.
#include <cstring>
#include <vector>

#include "fastpath/packed.h"
#include "fuzz_env.h"
#include "zrt32.h"

using namespace zrt;

namespace {

// Exports that work on their argument alone; the first byte picks one.
const char* const kExports[] = {"RowFind", "WildIota", "DateToYMD", "DateToYWD", "DateFromYMD",
                                "DateFromYWD", "myDate", "DllCntCols"};

// APLCalcSize and APLPack of a buffer: its bytes, or empty when APLCalcSize refuses.
std::vector<uint8_t> repacked(void* buffer) {
    uint32_t size = 0;
    if (APLCalcSize(&buffer, &size) != 0) return {};
    std::vector<uint8_t> out(size);
    uint32_t capacity = size;
    if (APLPack(&buffer, &capacity, out.data()) != 0 || capacity != size)
        fuzz::violated("APLPack gives the size APLCalcSize gave");
    return out;
}

// RowFind answers with one number per row of B: a header of many empty rows asks for a large
// result, which is the export's contract, not a fault.
bool largeResult(const char* name, const APLArray* arg) {
    if (std::strcmp(name, "RowFind") != 0 || typeOf(arg) != kNested || cellCount(arg) < 2) return false;
    const APLArray* b = slotAt(arg, 1);
    return b && rankOf(b) >= 1 && shapeOf(b)[0] > (1u << 20);
}

void callThroughXC(const char* name, const uint8_t* argument, size_t size) {
    TreePtr arg;
    if (Unpack(argument, size, arg) != 0 || largeResult(name, arg.get())) return;
    uint32_t two = 2, length = static_cast<uint32_t>(std::strlen(name));
    ArrayPtr request(AllocArray(kNested, 1, &two));
    APLArray* text = AllocArray(kChar, 1, &length);
    std::memcpy(dataOf(text), name, length);
    setSlot(request.get(), 0, text);
    setSlot(request.get(), 1, arg.get());
    std::vector<uint8_t> bytes(4 * PackedWords(request.get()));
    Pack(request.get(), bytes.data());
    setSlot(request.get(), 1, nullptr);  // the tree is freed by its own owner
    void* buffer = nullptr;
    APLUnPack(bytes.data(), static_cast<uint32_t>(bytes.size()), &buffer);
    void* sent = buffer;
    void* result = XC(&buffer);
    if (repacked(result).empty()) fuzz::violated("XC hands back a packed result");
    APLFreeRes(result);
    APLFreeRes(sent);
}

}  // namespace

std::vector<uint8_t> packedTree(const uint8_t* bytes, size_t size) {
    TreePtr tree;
    if (Unpack(bytes, size, tree) != 0) return {};
    std::vector<uint8_t> out(4 * PackedWords(tree.get()));
    Pack(tree.get(), out.data());
    return out;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::env();
    if (size < 1) return 0;
    const char* name = kExports[data[0] % (sizeof kExports / sizeof *kExports)];
    const uint8_t* packed = data + 1;
    const auto count = static_cast<uint32_t>(size - 1);

    // The exports take what PackedSize takes and copy exactly its bytes.
    void* buffer = nullptr;
    APLUnPack(packed, count, &buffer);
    std::vector<uint8_t> copy = repacked(buffer);
    APLFreeRes(buffer);
    uint32_t expected = 0;
    const bool valid = PackedSize(packed, count, expected) == 0;
    if (valid == copy.empty()) fuzz::violated("APLCalcSize agrees with PackedSize");
    if (!valid) return 0;
    if (copy.size() != expected || std::memcmp(copy.data(), packed, expected) != 0)
        fuzz::violated("APLPack gives back the bytes APLUnPack took");
    // What unpacks packs to bytes that unpack to the same again.
    std::vector<uint8_t> once = packedTree(packed, count);
    if (once.empty()) return 0;  // sizes fit, memory did not
    if (packedTree(once.data(), once.size()) != once) fuzz::violated("pack and unpack agree");
    callThroughXC(name, packed, count);
    return 0;
}
