// Runs the lines of a script: an export with its argument, an adapter, or a host command.
#pragma once

#include <ostream>
#include <string_view>

namespace zrt::host {

class Runner {
public:
    explicit Runner(std::ostream& out) : out_(out) {}

    // Runs one line and prints what it gives; with echo, the line is printed first, indented
    // like input in an APL session. Blank lines and comment lines print nothing. False when the
    // line could not be run: its message has been printed instead.
    bool run(std::string_view line, bool echo);

private:
    void runCommand(std::string_view line, bool echo);
    void runExport(std::string_view line);

    std::ostream& out_;
};

}  // namespace zrt::host
