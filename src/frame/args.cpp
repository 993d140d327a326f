#include "frame/args.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "frame/xlate.h"

namespace zrt {

namespace {

// Element k of a simple numeric array as a 32-bit integer: doubles must be whole and in range.
Code intAt(const APLArray* a, uint32_t k, int32_t& out) {
    if (typeOf(a) != kDouble) {
        out = static_cast<int32_t>(numberAt(a, k));
        return kOk;
    }
    double d = numberAt(a, k);
    if (!(d >= -2147483648.0 && d <= 2147483647.0) || d != std::floor(d)) return kBadType;
    out = static_cast<int32_t>(d);
    return kOk;
}

// Steps into item i of a nested array: the block there must hold exactly one element.
Code enclosedNumber(const APLArray* a, uint32_t i, const APLArray*& inner) {
    inner = slotAt(a, i);
    if (!inner) return kBadType;
    if (storedCount(inner) != 1) return kRange;
    return kOk;
}

// The character block reached from item i: the item itself for a character array, else the
// first character block down the first slots of a nested item.
Code charBlock(const APLArray* a, uint32_t i, const APLArray*& block) {
    if (!a) return kBadType;
    if (typeOf(a) == kChar) {
        if (i != 0) return kRange;
        block = a;
        return kOk;
    }
    if (typeOf(a) != kNested) return kBadType;
    if (i >= storedCount(a)) return kRange;
    const APLArray* b = slotAt(a, i);
    while (b && typeOf(b) == kNested) b = slotAt(b, 0);
    if (!b || typeOf(b) != kChar) return kBadType;
    block = b;
    return kOk;
}

}  // namespace

Code GetItemInt(const APLArray* a, uint32_t i, int32_t& out) {
    while (true) {
        if (!a) return kBadType;
        if (i >= storedCount(a)) return kRange;
        uint32_t t = typeOf(a);
        if (isSimpleNumeric(t)) return intAt(a, i, out);
        if (t != kNested) return kBadType;
        if (Code c = enclosedNumber(a, i, a)) return c;
        i = 0;
    }
}

Code GetItemDouble(const APLArray* a, uint32_t i, double& out) {
    while (true) {
        if (!a) return kBadType;
        if (i >= storedCount(a)) return kRange;
        uint32_t t = typeOf(a);
        if (isSimpleNumeric(t)) {
            out = numberAt(a, i);
            return kOk;
        }
        if (t != kNested) return kBadType;
        if (Code c = enclosedNumber(a, i, a)) return c;
        i = 0;
    }
}

Code GetItemString(const APLArray* a, uint32_t i, char* buffer, uint32_t size) {
    while (a && typeOf(a) == kNested) {
        if (i >= storedCount(a)) return kRange;
        a = slotAt(a, i);
        i = 0;
    }
    if (!a) return kBadType;
    uint32_t t = typeOf(a);
    if (t == kChar) {
        if (i != 0) return kRange;
        uint32_t n = storedCount(a);
        if (n >= size) return kRange;
        std::memcpy(buffer, dataOf(a), n);
        buffer[n] = 0;
        TranslateToHost(buffer);
        return kOk;
    }
    if (isSimpleNumeric(t)) {
        double d;
        if (GetItemDouble(a, i, d) != kOk) return kBadType;
        if (size == 0) return kRange;
        std::snprintf(buffer, size, "%G", d);
        return kOk;
    }
    return kBadType;
}

Code GetItemChars(const APLArray* a, uint32_t i, char* buffer, uint32_t size) {
    const APLArray* block;
    if (Code c = charBlock(a, i, block)) return c;
    uint32_t n = storedCount(block);
    if (n > size) return kRange;
    std::memcpy(buffer, dataOf(block), n);
    return kOk;
}

Code GetItemLength(const APLArray* a, uint32_t i, uint32_t& out) {
    const APLArray* block;
    if (Code c = charBlock(a, i, block)) return c;
    out = storedCount(block);
    return kOk;
}

Code GetItemArray(const APLArray* a, uint32_t i, APLArray*& out) {
    if (!a || typeOf(a) != kNested) return kBadType;
    if (i >= storedCount(a)) return kRange;
    out = slotAt(a, i);
    return kOk;
}

namespace {

template <class T>
Code setNumber(APLArray* a, uint32_t i, T value, uint32_t simpleType) {
    if (!a) return kBadType;
    if (i >= storedCount(a)) return kRange;
    if (typeOf(a) == simpleType) {
        std::memcpy(dataOf(a) + uint64_t(i) * sizeof(T), &value, sizeof(T));
        return kOk;
    }
    if (typeOf(a) != kNested) return kBadType;
    APLArray* scalar = AllocScalar(simpleType);
    if (!scalar) return kNoMemory;
    std::memcpy(dataOf(scalar), &value, sizeof(T));
    setSlot(a, i, scalar);
    return kOk;
}

// Stores characters into a character block (translated or not), or into a new character
// vector in slot i of a nested block.
Code setText(APLArray* a, uint32_t i, const char* source, uint32_t n, bool translate) {
    if (!a) return kBadType;
    if (typeOf(a) == kNested) {
        if (i >= storedCount(a)) return kRange;
        APLArray* text = AllocArrayOfSQType(kSqChar, 1, &n);
        if (!text) return kNoMemory;
        setSlot(a, i, text);
        a = text;
    } else if (typeOf(a) != kChar) {
        return kBadType;
    }
    uint32_t width = storedCount(a);
    if (translate ? width < n : width != n) return kRange;
    uint8_t* data = dataOf(a);
    if (n) std::memcpy(data, source, n);
    if (translate) {
        TranslateToAPL(data, n);
        std::memset(data + n, 4, width - n);
    }
    return kOk;
}

}  // namespace

Code SetItemInt(APLArray* a, uint32_t i, int32_t value) { return setNumber(a, i, value, kInt32); }

Code SetItemDouble(APLArray* a, uint32_t i, double value) {
    return setNumber(a, i, value, kDouble);
}

Code SetItemString(APLArray* a, uint32_t i, const char* source, uint32_t n) {
    return setText(a, i, source, n, true);
}

Code SetItemChars(APLArray* a, uint32_t i, const char* source, uint32_t n) {
    return setText(a, i, source, n, false);
}

Code SetItemArray(APLArray* a, uint32_t i, APLArray* p) {
    if (!a || typeOf(a) != kNested) return kBadType;
    if (i >= storedCount(a)) return kRange;
    setSlot(a, i, p);
    return kOk;
}

std::unique_ptr<char[]> DupItemString(const APLArray* a, uint32_t i) {
    uint32_t length;
    if (GetItemLength(a, i, length) != kOk) return nullptr;
    std::unique_ptr<char[]> text(new char[size_t(length) + 1]());
    if (GetItemString(a, i, text.get(), length + 1) != kOk) return nullptr;
    return text;
}

std::unique_ptr<char[]> DupArgName(const APLArray* a) { return DupItemString(a, 0); }

APLArray* CodeResult(Code code) {
    APLArray* r = AllocVector(kInt32, 1);
    if (r) setInt32At(dataOf(r), 0, static_cast<int32_t>(code));
    return r;
}

APLArray* CodeOrResult(Code code, APLArray* value) {
    if (code != kOk || !value) {
        FreeArray(value);
        return CodeResult(code);
    }
    APLArray* r = AllocVector(kNested, 2);
    if (!r || SetItemInt(r, 0, 0) != kOk) {
        FreeArray(r);
        FreeArray(value);
        return CodeResult(kNoMemory);
    }
    setSlot(r, 1, value);
    return r;
}

}  // namespace zrt
