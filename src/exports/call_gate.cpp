// XC: the call gate. A packed request names an array export of the library and carries up to
// two arguments; the export is called and its result handed back as a new packed buffer.
//
// The request is a character vector (the name alone) or a nested vector (name, a) or
// (name, a, b). Two arguments are passed in reverse, b first: (name, data, fileName) calls
// FileWrite(fileName, data). A missing argument is passed as null, which every export refuses
// with 10004. Failures come back as the packed integer vector (20, code).
#include <cstring>
#include <new>

#include "exports/export_table.h"
#include "fastpath/packed.h"
#include "fastpath/packed_buffers.h"
#include "frame/xlate.h"
#include "zrt32.h"

namespace zrt {

namespace {

constexpr int32_t kErrorTag = 20;
constexpr uint32_t kNameSize = 100;

struct Request {
    char name[kNameSize] = {};
    uint32_t argumentCount = 0;
    APLArray* first = nullptr;
    APLArray* second = nullptr;
};

Code nameOf(const APLArray* item, Request& r) {
    if (!item || typeOf(item) != kChar) return kBadType;
    if (rankOf(item) != 1) return kNotVector;
    const uint32_t length = cellCount(item);
    if (length >= kNameSize) return kRange;
    std::memcpy(r.name, dataOf(item), length);
    r.name[length] = 0;
    TranslateToHost(r.name);
    return kOk;
}

Code parse(const APLArray* request, Request& r) {
    if (rankOf(request) != 1) return kNotVector;
    if (typeOf(request) == kChar) return nameOf(request, r);
    if (typeOf(request) != kNested) return kBadType;
    const uint32_t length = cellCount(request);
    if (length == 0) return kRange;  // no name
    if (Code c = nameOf(slotAt(request, 0), r)) return c;
    r.argumentCount = length - 1;
    if (length > 1) r.first = slotAt(request, 1);
    if (length > 2) r.second = slotAt(request, 2);
    return kOk;
}

// Calls the export; its result array, or a code.
Code call(const Request& r, APLArray*& result) {
    const ExportRow* row = FindExport(r.name);
    if (!row || row->form == ExportForm::Plain) return kNoSuchExport;
    if (r.argumentCount > 2) return kRange;
    if (row->form == ExportForm::Array) {
        if (r.argumentCount > 1) return kRange;  // more than the export takes
        result = row->array(r.first);
    } else {
        result = row->pair(r.second, r.first);
    }
    return result ? kOk : kNoMemory;
}

Code runRequest(const void* buffer, TreePtr& result) {
    size_t size;
    if (!buffer || !PackedBufferSize(buffer, size)) return kBadType;
    TreePtr request;
    if (Code c = Unpack(static_cast<const uint8_t*>(buffer), size, request)) return c;
    Request r;
    if (Code c = parse(request.get(), r)) return c;
    APLArray* out = nullptr;
    if (Code c = call(r, out)) return c;
    result.reset(out);
    return kOk;  // the request goes with its arguments: the export keeps none of them
}

TreePtr errorResult(Code code) {
    TreePtr a(AllocVector(kInt32, 2));
    if (a) {
        const int32_t words[2] = {kErrorTag, static_cast<int32_t>(code)};
        std::memcpy(dataOf(a.get()), words, sizeof words);
    }
    return a;
}

// A new packed buffer holding the array, or null.
uint8_t* packed(const APLArray* a) {
    if (!a) return nullptr;
    const uint64_t bytes = 4 * PackedWords(a);
    if (bytes > 0xFFFFFFFFu) return nullptr;
    uint8_t* buffer = NewPackedBuffer(static_cast<size_t>(bytes));
    if (buffer) Pack(a, buffer);
    return buffer;
}

void* gate(const void* request) {
    TreePtr result;
    Code code;
    try {
        code = runRequest(request, result);
    } catch (const std::bad_alloc&) {
        code = kNoMemory;
    }
    uint8_t* buffer = nullptr;
    if (code == kOk) buffer = packed(result.get());
    if (code == kOk && !buffer) code = kNoMemory;
    if (code != kOk) buffer = packed(errorResult(code).get());
    if (!buffer) return const_cast<uint8_t*>(OutOfMemoryResult());
    return buffer;
}

}  // namespace

}  // namespace zrt

extern "C" ZRT_PUBLIC void* ZRT_API XC(void** request) {
    void* result = zrt::gate(request ? *request : nullptr);
    if (request) *request = result;
    return result;
}
