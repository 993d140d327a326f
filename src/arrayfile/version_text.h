// The library's version text, as Describe shows it for the root object.
#pragma once

#include <cstdint>
#include <string>

namespace zrt {

// "%u.%02u" of the high halves of a product version's two words: the most significant word
// holds major << 16 | minor, the least significant patch << 16 | tweak, so 2.5.310.0 reads
// "2.310" and 8.1.0.0 reads "8.00" (the minor and tweak numbers do not show).
std::string ProductVersionText(uint32_t mostSignificant, uint32_t leastSignificant);

// The library's own version (set once in the build, the value its Windows version resource
// carries), then " for Dyalog APL/W [32] " and the build's date and time as the compiler
// writes them: "8.00 for Dyalog APL/W [32] Mar  7 2026 14:02:31".
std::string LibraryVersionText();

}  // namespace zrt
