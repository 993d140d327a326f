// What zrt does when the user has no configuration at all: the library would fail Init with
// 10036 and every later call with 10006, so zrt says so before the first line runs.
#pragma once

#include <ostream>

namespace zrt::host {

// When neither ZRT32_HKCU nor ZRT32_HKLM is set and no registry file is in its default place,
// points the environment at the example configuration if one is found (beside an installed
// zrt, else in the source tree it was built from) and says so on err; otherwise tells err
// which files were looked for and how to make them. Nothing on Windows, whose registry is the
// system's.
void offerConfiguration(std::ostream& err);

}  // namespace zrt::host
