#include "platform/posix/wildcards.h"

namespace platform::posix {

namespace {

// ASCII case folding, whatever the locale says.
char folded(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// The rest of the pattern matches an empty rest of the name.
bool matchesNothing(const std::string& pattern, size_t p) {
    while (p < pattern.size() && pattern[p] == '*') ++p;
    if (p == pattern.size()) return true;
    if (pattern.compare(p, 2, ".*") != 0) return false;
    for (p += 2; p < pattern.size(); ++p)
        if (pattern[p] != '*') return false;
    return true;
}

}  // namespace

// Greedy matching with one backtrack point, the last star: linear in practice, never
// exponential however many stars the pattern holds.
bool wildcardMatch(const std::string& pattern, const std::string& name) {
    const size_t kNone = std::string::npos;
    size_t p = 0, n = 0, star = kNone, starName = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            starName = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == '?' || folded(pattern[p]) == folded(name[n]))) {
            ++p;
            ++n;
        } else if (star != kNone) {
            p = star + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    return matchesNothing(pattern, p);
}

}  // namespace platform::posix
