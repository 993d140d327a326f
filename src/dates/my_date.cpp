// myDate: texts of dates by a numbered picture or a format text of the caller's.
#include <cstring>
#include <string>

#include "dates/picture.h"
#include "frame/export_bodies.h"
#include "frame/result.h"
#include "zrt32.h"

namespace zrt {

namespace {

// Item 0: a picture number 1 to 36, used as listed, or a character array, taken as host text
// and upper-cased.
Code formatOf(const APLArray* arg, std::string& format) {
    const APLArray* item = slotAt(arg, 0);
    if (!item) return kBadType;
    if (isSimpleNumeric(typeOf(item))) {
        int32_t number;
        if (Code c = GetItemInt(item, 0, number)) return c;
        const char* numbered = NumberedFormat(number);
        if (!numbered) return kBadType;
        format = numbered;
        return kOk;
    }
    if (typeOf(item) != kChar) return kBadType;
    std::unique_ptr<char[]> text = DupItemString(arg, 0);
    if (!text) return kBadType;
    format = text.get();
    UpperCaseAscii(format);
    return kOk;
}

// One character vector per date, in an array of the dates' shape. No dates give an empty
// character array of that shape: an empty nested array would need a prototype item that
// nobody frees.
Result formatDates(const Picture& picture, const APLArray* dates) {
    uint32_t n = cellCount(dates);
    if (n == 0) return ArrayPtr(AllocArray(kChar, rankOf(dates), shapeOf(dates)));
    ArrayPtr out(AllocArray(kNested, rankOf(dates), shapeOf(dates)));
    if (!out) return kNoMemory;
    std::string text;
    for (uint32_t k = 0; k < n; ++k) {
        picture.print(FieldsOfValue(numberAt(dates, k)), text);
        APLArray* item = AllocVector(kChar, static_cast<uint32_t>(text.size()));
        if (!item) return kNoMemory;
        std::memcpy(dataOf(item), text.data(), text.size());  // untranslated
        setSlot(out.get(), k, item);
    }
    return out;
}

}  // namespace

// myDate: (format; dates) → one text per date.
Result body::myDate(const APLArray* arg) {
    if (!arg || typeOf(arg) != kNested || rankOf(arg) != 1 || cellCount(arg) != 2)
        return kBadType;
    std::string format;
    if (Code c = formatOf(arg, format)) return c;
    const APLArray* dates = slotAt(arg, 1);
    if (!dates || !isSimpleNumeric(typeOf(dates))) return kBadType;
    return formatDates(Picture(format), dates);
}

}  // namespace zrt
