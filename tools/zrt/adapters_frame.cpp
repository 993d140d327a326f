// Host forms of the call frame's plain-argument exports.
#include "adapters.h"

namespace zrt::host {

namespace {

// Init base ini: the registry base key ('' for the default) and the initialisation file
// ('' or ⍬ for the one the registry names).
void init(AdapterCall& call) {
    call.expectCount(2);
    std::string base = call.text(0);
    std::optional<std::string> ini = call.optionalText(1);
    call.code(Init(base.c_str(), ini ? ini->c_str() : nullptr));
}

const AdapterRegistrar initAdapter("Init", "2 arguments: registry base, ini path (⍬: none)",
                                   &init);

}  // namespace

}  // namespace zrt::host
