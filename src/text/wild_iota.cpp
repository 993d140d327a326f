// WildIota: the index of the first pattern that matches each string. A pattern may hold the
// any-character wildcard anywhere and the rest wildcard, which matches whatever follows
// (nothing included); wildcards mean nothing in the strings.
#include <cstring>
#include <string_view>
#include <vector>

#include "frame/export_bodies.h"
#include "frame/result.h"
#include "text/text_args.h"
#include "zrt32.h"

namespace zrt {

namespace {

struct Wildcards {
    char any, rest;
};

bool matches(std::string_view pattern, std::string_view text, Wildcards w) {
    for (size_t k = 0;; ++k) {
        if (k < pattern.size() && pattern[k] == w.rest) return true;
        if (k == pattern.size()) return k == text.size();
        if (k == text.size()) return false;
        if (pattern[k] != text[k] && pattern[k] != w.any) return false;
    }
}

// The strings of a nested array in ravel order (its prototype, if empty, is not one of them).
Code textsOf(const APLArray* arg, uint32_t i, std::vector<std::string_view>& texts) {
    const APLArray* item = slotAt(arg, i);
    if (typeOf(item) != kNested) return kBadType;
    uint32_t n = cellCount(item);
    texts.resize(n);
    for (uint32_t k = 0; k < n; ++k)
        if (!TextOf(slotAt(item, k), texts[k])) return kBadType;
    return kOk;
}

Result lookUp(const std::vector<std::string_view>& patterns, const APLArray* strings,
              const std::vector<std::string_view>& texts, Wildcards w) {
    ArrayPtr out(AllocArray(kInt32, rankOf(strings), shapeOf(strings)));
    if (!out) return kNoMemory;
    for (size_t k = 0; k < texts.size(); ++k) {
        size_t p = 0;
        while (p < patterns.size() && !matches(patterns[p], texts[k], w)) ++p;
        setInt32At(dataOf(out.get()), k, static_cast<int32_t>(p));
    }
    return out;
}

}  // namespace

// WildIota: (patterns; strings; any and rest wildcards) → for each string the index of the
// first pattern that matches it, counting from 0, or the number of patterns.
Result body::WildIota(const APLArray* arg) {
    if (!IsNestedVector(arg, 3)) return kBadType;
    std::vector<std::string_view> patterns, texts;
    if (Code c = textsOf(arg, 0, patterns)) return c;
    if (Code c = textsOf(arg, 1, texts)) return c;
    const APLArray* wild = slotAt(arg, 2);
    if (typeOf(wild) != kChar || cellCount(wild) < 2) return kBadType;
    Wildcards w{static_cast<char>(dataOf(wild)[0]), static_cast<char>(dataOf(wild)[1])};
    return lookUp(patterns, slotAt(arg, 1), texts, w);
}

}  // namespace zrt
