// UnPackFile of any archive entry: a code and no file left in the directory, or the file the
// entry names, of the size and CRC-32 reported.
#include <filesystem>

#include "fuzz_env.h"
#include "platform/platform.h"
#include "support/test_support.h"
#include "zrt32.h"

using namespace zrt;
namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::env();
    fs::create_directory("out");
    test::writeFile("entry.bin", fuzz::bytesOf(data, size));
    platform::ClassicHandle h = platform::classicOpen("entry.bin", platform::kOfRead);
    if (h == platform::kClassicError) fuzz::violated("the entry file opens");
    ArrayPtr result(UnPackFile(test::args(test::chars("out/"), test::ints({h})).get()));
    platform::classicClose(h);
    if (test::codeOf(result.get()) != 0) {
        if (!fs::is_empty("out")) fuzz::violated("a failed UnPackFile leaves no file");
        return 0;
    }
    const APLArray* value = test::valueOf(result.get());
    const std::string name = test::textOf(slotAt(value, 0));
    const std::vector<double> numbers = test::numbersOf(slotAt(value, 1));  // V crc size S
    const std::string written = test::readFile("out/" + name);
    if (written.size() != static_cast<uint32_t>(numbers.at(2)))
        fuzz::violated("the size reported is the file's");
    const uint32_t crc =
        ~CalculateCRC32(written.data(), static_cast<uint32_t>(written.size()), 0xFFFFFFFFu);
    if (crc != static_cast<uint32_t>(static_cast<int32_t>(numbers.at(1))))
        fuzz::violated("the CRC reported is the file's");
    fs::remove_all("out");
    return 0;
}
