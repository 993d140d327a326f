// FileRead of any file: a code or an array, and the array writes back and reads back the same.
#include "fastpath/packed.h"
#include "fuzz_env.h"
#include "support/test_support.h"
#include "zrt32.h"

using namespace zrt;

namespace {

std::string packed(const APLArray* a) {
    std::string bytes(4 * PackedWords(a), '\0');
    Pack(a, reinterpret_cast<uint8_t*>(bytes.data()));
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::env();
    test::writeFile("in.dat", fuzz::bytesOf(data, size));
    TreePtr read(FileRead(test::chars("in.dat").get()));
    if (test::codeOf(read.get()) != 0) return 0;
    const APLArray* value = test::valueOf(read.get());
    ArrayPtr written(FileWrite(test::chars("out.dat").get(), const_cast<APLArray*>(value)));
    if (test::codeOf(written.get()) != 0) fuzz::violated("what FileRead returns writes back");
    TreePtr again(FileRead(test::chars("out.dat").get()));
    if (test::codeOf(again.get()) != 0 || packed(value) != packed(test::valueOf(again.get())))
        fuzz::violated("what is written reads back the same");
    return 0;
}
