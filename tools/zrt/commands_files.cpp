// Host commands on files and directories: ]cd ]write ]cat ]exists ]rm ]mkdir ]ls.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "commands.h"
#include "notation/literal.h"
#include "notation/printer.h"

namespace zrt::host {

namespace {

namespace fs = std::filesystem;

[[noreturn]] void failWith(const CommandCall& call, const std::string& what,
                           const std::error_code& ec) {
    call.fail(0, what + ": " + ec.message());
}

void cd(CommandCall& call) {
    call.expectCount(1);
    std::error_code ec;
    fs::current_path(call.word(0), ec);
    if (ec) failWith(call, "cannot change to '" + call.word(0) + "'", ec);
}

// ]write path data...: each argument is a literal; characters are written as their bytes,
// numbers as single bytes (10 for a line end). No argument makes an empty file.
void write(CommandCall& call) {
    call.expectCount(1, 1000);
    std::string bytes;
    if (call.count() > 1) {
        for (const Argument& a : parseArguments(call.line(), call.offset(1))) {
            const Value& v = a.value;
            if (v.type == kChar) {
                bytes += v.chars;
                continue;
            }
            if (!v.isSimpleNumeric()) throw HostError(a.column, "write characters or bytes");
            for (double d : v.numbers) {
                if (!(d >= 0 && d <= 255 && d == static_cast<int>(d)))
                    throw HostError(a.column, "a byte is a whole number from 0 to 255");
                bytes += static_cast<char>(static_cast<unsigned char>(d));
            }
        }
    }
    std::ofstream file(call.word(0), std::ios::binary | std::ios::trunc);
    if (!(file << bytes) || !file.flush()) call.fail(0, "cannot write '" + call.word(0) + "'");
}

void cat(CommandCall& call) {
    call.expectCount(1);
    std::ifstream file(call.word(0), std::ios::binary);
    if (!file) call.fail(0, "cannot read '" + call.word(0) + "'");
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    call.out() << text;
    if (!text.empty() && text.back() != '\n') call.out() << '\n';
}

void exists(CommandCall& call) {
    call.expectCount(1);
    std::error_code ec;
    call.out() << (fs::exists(call.word(0), ec) ? 1 : 0) << '\n';
}

void rm(CommandCall& call) {
    call.expectCount(1);
    std::error_code ec;
    if (!fs::remove(call.word(0), ec)) {
        if (!ec) ec = std::make_error_code(std::errc::no_such_file_or_directory);
        failWith(call, "cannot remove '" + call.word(0) + "'", ec);
    }
}

void mkdir(CommandCall& call) {
    call.expectCount(1);
    std::error_code ec;
    fs::create_directories(call.word(0), ec);
    if (ec) failWith(call, "cannot make '" + call.word(0) + "'", ec);
}

void ls(CommandCall& call) {
    call.expectCount(0, 1);
    std::string dir = call.count() ? call.word(0) : ".";
    std::error_code ec;
    std::vector<std::string> names;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        names.push_back(it->path().filename().string());
    if (ec) failWith(call, "cannot list '" + dir + "'", ec);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) call.out() << name << '\n';
}

const CommandRegistrar commands[] = {
    {"cd", "a directory", &cd},
    {"write", "a path and the characters or bytes to write", &write},
    {"cat", "a path", &cat},
    {"exists", "a path", &exists},
    {"rm", "a path", &rm},
    {"mkdir", "a path", &mkdir},
    {"ls", "at most a directory", &ls},
};

}  // namespace

}  // namespace zrt::host
