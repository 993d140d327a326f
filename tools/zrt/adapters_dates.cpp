// Host forms of the dates' plain-argument export.
#include <string>

#include "adapters.h"

namespace zrt::host {

namespace {

// DateInit selector text: selector 1 long months, 2 long days, 3 short months, any other the
// short days; the text starts with its separator ('' for the defaults, ⍬ passes a null text).
void dateInit(AdapterCall& call) {
    call.expectCount(2);
    int32_t selector = call.int32(0);
    std::optional<std::string> text = call.optionalText(1);
    call.code(DateInit(selector, text ? text->c_str() : nullptr));
}

const AdapterRegistrar dateInitAdapter(
    "DateInit", "2 arguments: selector (1 long months, 2 long days, 3 short months, other short "
                "days), names after a leading separator ('' for the defaults)",
    &dateInit);

}  // namespace

}  // namespace zrt::host
