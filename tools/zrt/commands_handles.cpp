// Host commands on classic file handles, the handles some exports read from or write to:
// ]open ]create ]read ]seek ]close.
#include "commands.h"
#include "notation/printer.h"
#include "os.h"

namespace zrt::host {

namespace {

int32_t handleOf(const CommandCall& call, size_t i) {
    int64_t h = call.number(i);
    if (h < 0 || h > INT32_MAX) call.fail(i, "a handle is a number from 0 up");
    return static_cast<int32_t>(h);
}

void printHandle(CommandCall& call, int32_t handle, const std::string& error) {
    if (handle < 0) call.fail(0, "cannot open '" + call.word(0) + "': " + error);
    call.out() << handle << '\n';
}

// ]open path [mode]: mode 0 read (the default), 1 write, 2 read and write.
void open(CommandCall& call) {
    call.expectCount(1, 2);
    int64_t mode = call.count() > 1 ? call.number(1) : 0;
    if (mode < 0 || mode > 0xFF) call.fail(1, "the mode is a number from 0 to 255");
    std::string error;
    printHandle(call, os::openHandle(call.word(0), static_cast<uint32_t>(mode), error), error);
}

void create(CommandCall& call) {
    call.expectCount(1);
    std::string error;
    printHandle(call, os::createHandle(call.word(0), error), error);
}

// ]read handle count: the bytes read, as a character vector.
void read(CommandCall& call) {
    call.expectCount(2);
    int64_t count = call.number(1);
    if (count < 0 || count > (1 << 24)) call.fail(1, "read from 0 to 16777216 bytes");
    std::string bytes, error;
    if (os::readHandle(handleOf(call, 0), static_cast<uint32_t>(count), bytes, error) < 0)
        call.fail(0, "cannot read: " + error);
    call.out() << printValue(charVector(bytes)) << '\n';
}

// ]seek handle offset [origin]: origin 0 start (the default), 1 current position, 2 end.
void seek(CommandCall& call) {
    call.expectCount(2, 3);
    int64_t origin = call.count() > 2 ? call.number(2) : 0;
    if (origin < 0 || origin > 2) call.fail(2, "the origin is 0, 1 or 2");
    std::string error;
    int64_t at = os::seekHandle(handleOf(call, 0), call.number(1), static_cast<int>(origin), error);
    if (at < 0) call.fail(0, "cannot seek: " + error);
    call.out() << at << '\n';
}

void close(CommandCall& call) {
    call.expectCount(1);
    std::string error;
    if (!os::closeHandle(handleOf(call, 0), error)) call.fail(0, "cannot close: " + error);
}

const CommandRegistrar commands[] = {
    {"open", "a path and a mode (0 read, 1 write, 2 both)", &open},
    {"create", "a path", &create},
    {"read", "a handle and a count", &read},
    {"seek", "a handle, an offset and an origin (0 start, 1 here, 2 end)", &seek},
    {"close", "a handle", &close},
};

}  // namespace

}  // namespace zrt::host
