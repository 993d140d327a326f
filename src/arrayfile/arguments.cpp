#include "arrayfile/arguments.h"

#include <vector>

#include "frame/args.h"

namespace zrt {

uint32_t ArgumentCount(const APLArray* arg) {
    if (!arg) return 0;
    if (typeOf(arg) == kChar) return 1;
    return cellCount(arg);
}

Code TextOf(const APLArray* arg, uint32_t i, std::string& out) {
    uint32_t length;
    if (Code c = GetItemLength(arg, i, length)) return c;
    std::vector<char> text(size_t(length) + 1);
    if (Code c = GetItemString(arg, i, text.data(), length + 1)) return c;
    out.assign(text.data());
    return kOk;
}

Code NameOf(const APLArray* arg, uint32_t i, std::string& out) {
    return TextOf(arg, i, out) == kOk ? kOk : kBadType;
}

}  // namespace zrt
