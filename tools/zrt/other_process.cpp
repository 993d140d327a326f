// ]other line: the line run by a second zrt process; ]other: that process ended.
#include "other_process.h"

#include <string>

#include "commands.h"
#include "os.h"

namespace zrt::host {

namespace {

// Ends the output of each line in the second process: a control byte, which printed arrays
// write with ⎕UCS, then 0 when the line ran and 1 when it did not.
constexpr char kLineDone = '\x1E';

// A line that prints nothing for this long is taken for a process that hangs. The slowest
// exports wait some seconds for files that others hold.
constexpr int kSilenceMs = 60 * 1000;

os::ChildProcess& second() {
    static os::ChildProcess process;
    return process;
}

void startSecond() {
    std::string program = os::executablePath(), error;
    if (program.empty()) throw HostError("cannot start a second zrt: the path of zrt is unknown");
    if (!second().start(program, {kServeOption}, error))
        throw HostError("cannot start a second zrt: " + error);
}

// The second process's failures are the line's: it is ended, and the next ]other starts afresh.
[[noreturn]] void lost(const std::string& error) {
    int status = second().end();
    throw HostError("the second process " + error +
                    (status < 0 ? "" : " (exit status " + std::to_string(status) + ")"));
}

void other(CommandCall& call) {
    if (call.count() == 0) {
        second().end();
        return;
    }
    if (!second().running()) startSecond();
    std::string error, line;
    if (!second().send(std::string(call.rest(0)) + '\n', error)) lost(error);
    for (;;) {
        if (!second().receive(line, kSilenceMs, error)) lost(error);
        if (!line.empty() && line[0] == kLineDone) break;
        call.out() << line << '\n';
    }
    if (line != std::string{kLineDone, '0'}) throw ReportedFailure();
}

const CommandRegistrar command{"other", "a line for the second process (none: end it)", &other};

}  // namespace

bool serveLines(std::istream& in, std::ostream& out, Runner& runner) {
    bool ok = true;
    std::string line;
    while (std::getline(in, line)) {
        bool ran = runner.run(line, false);
        out << kLineDone << (ran ? '0' : '1') << std::endl;
        ok = ran && ok;
    }
    return ok;
}

}  // namespace zrt::host
