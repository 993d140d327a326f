// Host forms of the fast path's plain-argument exports: packed buffers and the XC call gate.
//
// APL code holds the addresses of packed buffers as numbers. A script cannot know them (they
// differ from run to run), so the host numbers the buffers the library hands it, from 1 up, and
// the adapters take and print those numbers. The host packs a request as APL code would, and
// unpacks what APLPack copies out, to print it as an array.
#include <cstring>
#include <map>
#include <string>

#include "adapters.h"
#include "notation/block.h"
#include "notation/error.h"
#include "zrt32.h"

namespace zrt::host {

namespace {

// ---- Buffer numbers ----------------------------------------------------------------------------

std::map<int32_t, void*>& buffers() {
    static std::map<int32_t, void*> table;
    return table;
}

int32_t numberOf(void* buffer) {
    static int32_t next = 1;
    for (const auto& [number, p] : buffers())
        if (p == buffer) return number;  // the fallback buffer comes back the same
    buffers()[next] = buffer;
    return next++;
}

// The buffer an argument names; ⍬ is the null pointer.
void* bufferArgument(AdapterCall& call, size_t i) {
    const Value& v = call.value(i);
    if (v.isSimpleNumeric() && v.rank() == 1 && v.count() == 0) return nullptr;
    auto it = buffers().find(call.int32(i));
    if (it == buffers().end()) call.fail(i, "no packed buffer has that number");
    return it->second;
}

// ---- Packing as APL code does it ---------------------------------------------------------------

uint32_t load32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

// A simple block whole, first word + 1; a nested block's header (first word: its size with
// 4-byte slots, + 1), then its items, the prototype of an empty one included.
void pack(const APLArray* a, std::string& out) {
    const size_t at = out.size();
    if (typeOf(a) != kNested) {
        out.append(reinterpret_cast<const char*>(a), 4 * size_t(a->blockWords));
        uint32_t first = a->blockWords + 1;
        std::memcpy(&out[at], &first, 4);
        return;
    }
    const uint32_t n = cellCount(a) == 0 ? 1 : cellCount(a);
    out.append(reinterpret_cast<const char*>(a), 8 + 4 * size_t(rankOf(a)));
    uint32_t first = n + rankOf(a) + 2 + 1;
    std::memcpy(&out[at], &first, 4);
    for (uint32_t k = 0; k < n; ++k) pack(slotAt(a, k), out);
}

APLArray* unpack(const uint8_t* p, size_t size, size_t& at) {
    if (size - at < 8) throw HostError("the packed bytes end inside a block");
    auto* header = reinterpret_cast<const APLArray*>(p + at);
    const uint32_t type = typeOf(header), rank = rankOf(header);
    if (size - at < 8 + 4 * size_t(rank)) throw HostError("the packed bytes end inside a shape");
    uint32_t cells = 1;
    for (uint32_t i = 0; i < rank; ++i) cells *= load32(p + at + 8 + 4 * i);
    const uint32_t words = type == kNested ? blockWordsFor(kNested, rank, cells) : load32(p + at) - 1;
    const size_t stored = type == kNested ? 8 + 4 * size_t(rank) : 4 * size_t(words);
    if (size - at < stored) throw HostError("the packed bytes end inside a block");
    auto* a = static_cast<APLArray*>(std::calloc(words, 4));
    std::memcpy(a, p + at, stored);
    a->blockWords = words;
    at += stored;
    for (uint32_t k = 0; type == kNested && k < (cells == 0 ? 1 : cells); ++k) {
        try {
            setSlot(a, k, unpack(p, size, at));
        } catch (...) {
            freeHostBlock(a);
            throw;
        }
    }
    return a;
}

// ---- The adapters ------------------------------------------------------------------------------

// APLUnPack request: packs the array and hands the bytes over; prints the number of the new
// buffer and its size in bytes.
void unPack(AdapterCall& call) {
    call.expectCount(1);
    std::string bytes;
    pack(call.array(0), bytes);
    void* buffer = nullptr;
    void* result = APLUnPack(bytes.data(), static_cast<uint32_t>(bytes.size()), &buffer);
    call.code(static_cast<uint32_t>(numberOf(result)));
    call.output("bytes", static_cast<double>(bytes.size()));
}

// XC buffer: calls the export the packed request names; prints the number of the result
// buffer (the request's buffer stays, to be released too).
void callGate(AdapterCall& call) {
    call.expectCount(1);
    void* variable = bufferArgument(call, 0);
    call.code(static_cast<uint32_t>(numberOf(XC(&variable))));
}

// APLCalcSize buffer: the code, then the size (written on success only).
void calcSize(AdapterCall& call) {
    call.expectCount(1);
    void* buffer = bufferArgument(call, 0);
    uint32_t size = 0;
    uint32_t code = APLCalcSize(&buffer, &size);
    call.code(code);
    if (code == 0) call.output("size", size);
}

// APLPack buffer capacity: the code, the size (always written: the size needed when the
// capacity is too small), and on success the array the copied bytes hold.
void pack(AdapterCall& call) {
    call.expectCount(2);
    void* buffer = bufferArgument(call, 0);
    uint32_t size = call.uint32(1);
    std::string destination(size, '\0');
    uint32_t code = APLPack(&buffer, &size, destination.data());
    call.code(code);
    call.output("size", size);
    if (code != 0) return;
    size_t at = 0;
    HostBlock copy(unpack(reinterpret_cast<const uint8_t*>(destination.data()), size, at));
    call.output("array", readBlock(copy.get()));
}

// APLFreeRes buffer: releases it; ⍬ passes the null pointer.
void freeRes(AdapterCall& call) {
    call.expectCount(1);
    void* buffer = bufferArgument(call, 0);
    call.code(APLFreeRes(buffer));
    for (auto it = buffers().begin(); it != buffers().end(); ++it)
        if (it->second == buffer && buffer) {
            buffers().erase(it);
            break;
        }
}

const AdapterRegistrar unPackAdapter("APLUnPack", "1 argument: the request (an array)", &unPack);
const AdapterRegistrar xcAdapter("XC", "1 argument: the number of a packed buffer (⍬: null)",
                                 &callGate);
const AdapterRegistrar calcSizeAdapter("APLCalcSize", "1 argument: the number of a packed buffer",
                                       &calcSize);
const AdapterRegistrar packAdapter("APLPack",
                                   "2 arguments: the number of a packed buffer, the capacity",
                                   &pack);
const AdapterRegistrar freeResAdapter("APLFreeRes", "1 argument: the number of a packed buffer (⍬: null)",
                                      &freeRes);

}  // namespace

}  // namespace zrt::host
