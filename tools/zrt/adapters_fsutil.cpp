// Host forms of the file-system utilities. Listings print the code and then the buffer as
// text (every call but one refused for its arguments empties it first); the others print the
// code and what they wrote.
#include <string>
#include <vector>

#include "adapters.h"

namespace zrt::host {

namespace {

// The buffer a listing call receives: size + 1 bytes, as the export requires. Sizes beyond
// what a script needs are refused here rather than allocated.
constexpr int32_t kMaxListingSize = 1 << 20;

std::vector<char> listingBuffer(AdapterCall& call, size_t sizeArgument, int32_t& size) {
    size = call.int32(sizeArgument);
    if (size > kMaxListingSize)
        call.fail(sizeArgument, "a listing buffer of more than 1048576 characters");
    return std::vector<char>(size_t(size < 0 ? 0 : size) + 1, '\0');
}

void printListing(AdapterCall& call, uint32_t code, const std::vector<char>& buffer) {
    call.code(code);
    if (code != 87) call.outputText("buffer", std::string(buffer.data()));
}

// Dir pattern size, DirX pattern size
template <uint32_t (*Start)(const char*, int32_t, char*)>
void startListing(AdapterCall& call) {
    call.expectCount(2);
    std::string pattern = call.text(0);
    int32_t size = 0;
    std::vector<char> buffer = listingBuffer(call, 1, size);
    printListing(call, Start(pattern.c_str(), size, buffer.data()), buffer);
}

// DirMore size, DirMoreX size
template <uint32_t (*More)(int32_t, char*)>
void continueListing(AdapterCall& call) {
    call.expectCount(1);
    int32_t size = 0;
    std::vector<char> buffer = listingBuffer(call, 0, size);
    printListing(call, More(size, buffer.data()), buffer);
}

const char* pathOf(const std::optional<std::string>& path) {
    return path ? path->c_str() : nullptr;
}

// WRename old new, Copy source destination: ⍬ passes a null path.
template <uint32_t (*Operation)(const char*, const char*)>
void twoPaths(AdapterCall& call) {
    call.expectCount(2);
    std::optional<std::string> first = call.optionalText(0), second = call.optionalText(1);
    call.code(Operation(pathOf(first), pathOf(second)));
}

void erase(AdapterCall& call) {
    call.expectCount(1);
    std::optional<std::string> path = call.optionalText(0);
    call.code(Erase(pathOf(path)));
}

// The outputs are written whatever the result (12345678 0 0 0 when the system will not tell).
void aplGetVersion(AdapterCall& call) {
    call.expectCount(0);
    uint32_t platformId = 0, major = 0, minor = 0, build = 0;
    call.code(APLGetVersion(&platformId, &major, &minor, &build));
    call.output("platformId", platformId);
    call.output("major", major);
    call.output("minor", minor);
    call.output("build", build);
}

// BrowseDirectory title startFolder: the path only when one was chosen (result 1).
void browseDirectory(AdapterCall& call) {
    call.expectCount(2);
    std::string title = call.text(0), start = call.text(1);
    std::vector<char> buffer(260, '\0');
    uint32_t code = BrowseDirectory(title.c_str(), start.c_str(), buffer.data(), nullptr);
    call.code(code);
    if (code == 1) call.outputText("path", std::string(buffer.data()));
}

const AdapterRegistrar adapters[] = {
    {"Dir", "2 arguments: pattern, buffer size", &startListing<Dir>},
    {"DirX", "2 arguments: pattern, buffer size", &startListing<DirX>},
    {"DirMore", "1 argument: buffer size", &continueListing<DirMore>},
    {"DirMoreX", "1 argument: buffer size", &continueListing<DirMoreX>},
    {"WRename", "2 arguments: old path, new path (⍬: none)", &twoPaths<WRename>},
    {"Copy", "2 arguments: source path, destination path (⍬: none)", &twoPaths<Copy>},
    {"Erase", "1 argument: path (⍬: none)", &erase},
    {"APLGetVersion", "no arguments", &aplGetVersion},
    {"BrowseDirectory", "2 arguments: title, start folder", &browseDirectory},
};

}  // namespace

}  // namespace zrt::host
