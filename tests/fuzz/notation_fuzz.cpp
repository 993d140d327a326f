// The host's notation: any line either is refused with a message or makes an array that prints
// as a literal reading back as the same array.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "notation/literal.h"
#include "notation/printer.h"

using namespace zrt::host;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);
    Value value;
    try {
        value = parseLiteral(line);
    } catch (const HostError&) {
        return 0;
    }
    // Printing and reading back millions of numbers is slow, not wrong: small arrays only.
    if (value.elements() > 100000) return 0;
    const std::string printed = printValue(value);
    try {
        if (parseLiteral(printed) == value) return 0;
    } catch (const HostError& e) {
        std::fprintf(stderr, "%s: %s\n", printed.c_str(), e.what());
    }
    std::fprintf(stderr, "property violated: '%s' prints as '%s', which reads otherwise\n",
                 line.c_str(), printed.c_str());
    std::abort();
}
