// An array file of any bytes opened by New, then Describe and Get of every item: codes or
// values, the file never written by reading it, and a New that fails leaves no object.
#include <string>
#include <vector>

#include "frame/registry.h"
#include "fuzz_env.h"
#include "support/test_support.h"
#include "zrt32.h"

using namespace zrt;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::env();
    const std::string content = fuzz::bytesOf(data, size);
    test::writeFile("a.arr", content);
    ArrayPtr opened(New(test::args(test::chars("A"), test::intScalar(2), test::intScalar(1),
                                   test::chars("a.arr")).get()));
    NamedObject* object = nullptr;
    const Code found = LocateObject("A", kAnyKind, object);
    if (test::codeOf(opened.get()) != 0) {
        if (found != kNotFound) fuzz::violated("a failed New leaves no object");
        return 0;
    }
    ArrayPtr described(Describe(test::args(test::chars("A")).get()));
    std::vector<std::string> items;
    for (const auto& child : object->children) items.push_back("A." + child->name);
    for (const std::string& item : items) ArrayPtr(Get(test::args(test::chars(item)).get()));
    ArrayPtr closed(Close(test::args(test::chars("A")).get()));
    if (test::readFile("a.arr") != content) fuzz::violated("reading leaves the file as it was");
    return 0;
}
