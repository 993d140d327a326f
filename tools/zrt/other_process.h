// A second zrt process for scripts that show what two processes sharing a directory do to each
// other: ]other line runs the line there, and the process lives on between lines, holding its
// logins, locks and files, until ]other alone ends it.
#pragma once

#include <istream>
#include <ostream>

#include "runner.h"

namespace zrt::host {

// The option that makes zrt the second process: it runs the lines it reads without echo and
// ends what each one printed with a line of its own that says whether the line ran.
constexpr const char* kServeOption = "--serve";

// The second process's loop, to the end of its input (runner prints to out); false when
// some line could not be run.
bool serveLines(std::istream& in, std::ostream& out, Runner& runner);

}  // namespace zrt::host
