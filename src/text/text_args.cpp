#include "text/text_args.h"

#include <cstring>

namespace zrt {

bool IsNestedVector(const APLArray* arg, uint32_t count) {
    if (!arg || typeOf(arg) != kNested || rankOf(arg) != 1 || cellCount(arg) != count)
        return false;
    for (uint32_t i = 0; i < count; ++i)
        if (!slotAt(arg, i)) return false;
    return true;
}

Code IntegerOf(const APLArray* arg, uint32_t i, int32_t& value) {
    if (!isSimpleNumeric(typeOf(slotAt(arg, i)))) return kBadType;
    return GetItemInt(arg, i, value);
}

Code CharPairOf(const APLArray* arg, uint32_t i, char pair[2]) {
    const APLArray* item = slotAt(arg, i);
    if (typeOf(item) != kChar || cellCount(item) != 2) return kBadType;
    std::memcpy(pair, dataOf(item), 2);
    return kOk;
}

bool TextOf(const APLArray* block, std::string_view& text) {
    if (!block) return false;
    uint32_t n = cellCount(block);
    if (typeOf(block) == kChar) {
        text = std::string_view(reinterpret_cast<const char*>(dataOf(block)), n);
        return true;
    }
    if (n == 0 && typeOf(block) <= kDouble) {
        text = {};
        return true;
    }
    return false;
}

}  // namespace zrt
