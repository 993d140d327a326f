// Host forms of the packed files' plain-argument exports.
#include "adapters.h"

namespace zrt::host {

namespace {

// CalculateCRC32 data count crc: the running CRC-32 over the first count bytes of data
// (characters, or numbers from 0 to 255), advanced from crc. The result is the code line.
void calculateCrc32(AdapterCall& call) {
    call.expectCount(3);
    std::string data = call.bytes(0);
    uint32_t count = call.uint32(1);
    if (count > data.size()) call.fail(1, "the count is more than the bytes given");
    call.code(CalculateCRC32(data.data(), count, call.uint32(2)));
}

const AdapterRegistrar crcAdapter("CalculateCRC32", "3 arguments: data, count, running CRC",
                                  &calculateCrc32);

}  // namespace

}  // namespace zrt::host
