// zrt: the host that stands in for the interpreter. It reads arrays in the literal notation,
// calls the library's exports by name, and prints what they return.
//
//   zrt script.zrt         runs the script, echoing each line before its result
//   zrt -e line [-e ...]   runs the lines given
//   zrt                    a session at a terminal; otherwise reads a script from stdin
//   zrt --help, --version
//   zrt --serve            the second process of ]other (other_process.h)
//
// The exit status is 1 when a line could not be run, 2 when the arguments are wrong.
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "configuration.h"
#include "os.h"
#include "other_process.h"
#include "runner.h"

namespace {

constexpr const char* kUsage =
    "usage: zrt script.zrt | zrt -e line [-e line ...] | zrt (a session) | zrt --help\n";

constexpr const char* kHelp =
    "zrt: calls the exports of zrt32 as the APL interpreter would, with arrays written in an\n"
    "APL-like notation, and prints what they return.\n"
    "\n"
    "  zrt script.zrt           runs the script, echoing each line before its result\n"
    "  zrt -e line [-e line]    runs the lines given, in one process\n"
    "  zrt                      a session at a terminal (line editing, history in\n"
    "                           ~/.zrt_history); without a terminal, a script from stdin\n"
    "  zrt --version            the version\n"
    "\n"
    "A line is an export and its argument (Get 'Sales.Data'), a host command (]ls), or a\n"
    "comment (⍝ ...); ]help lists the commands and the exports. The exit status is 1 when a\n"
    "line could not be run, 2 when the arguments are wrong.\n"
    "\n"
    "The library reads its settings from the files named by ZRT32_HKCU (the user's registry,\n"
    "default ~/.config/zrt32/registry.ini), ZRT32_HKLM (the machine's, default\n"
    "/etc/zrt32/registry.ini) and ZRT32_INIDIR (where initialisation files are found).\n"
    "docs/host.md describes zrt, docs/configuration.md every setting.\n";

// The lines of a script, run to the end whatever fails; a byte order mark is skipped.
bool runScript(std::istream& in, zrt::host::Runner& runner, bool echo) {
    bool ok = true;
    std::string line;
    for (bool first = true; std::getline(in, line); first = false) {
        if (first && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
        ok = runner.run(line, echo) && ok;
    }
    return ok;
}

// At a terminal: a prompt indented like an APL session, no echo.
bool runSession(zrt::host::Runner& runner) {
    bool ok = true;
    std::string line;
    while (zrt::host::os::readLine("      ", line)) ok = runner.run(line, false) && ok;
    std::cout << '\n';
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::cout << kHelp;
        return 0;
    }
    if (args.size() == 1 && args[0] == "--version") {
        std::cout << "zrt " << ZRT_HOST_VERSION << '\n';
        return 0;
    }
    zrt::host::offerConfiguration(std::cerr);
    zrt::host::Runner runner(std::cout);
    if (args.empty()) {
        bool ok = zrt::host::os::inputIsTerminal() ? runSession(runner)
                                                   : runScript(std::cin, runner, true);
        return ok ? 0 : 1;
    }
    if (args.size() == 1 && args[0] == zrt::host::kServeOption)
        return zrt::host::serveLines(std::cin, std::cout, runner) ? 0 : 1;
    if (args[0] == "-e") {
        std::vector<std::string> lines;
        for (size_t i = 0; i < args.size(); i += 2) {
            if (args[i] != "-e" || i + 1 == args.size()) {
                std::cerr << kUsage;
                return 2;
            }
            lines.push_back(args[i + 1]);
        }
        bool ok = true;
        for (const std::string& line : lines) ok = runner.run(line, false) && ok;
        return ok ? 0 : 1;
    }
    if (args.size() != 1 || args[0].rfind("-", 0) == 0) {
        std::cerr << kUsage;
        return 2;
    }
    std::ifstream script(args[0], std::ios::binary);
    if (!script) {
        std::cerr << "zrt: cannot read " << args[0] << '\n';
        return 2;
    }
    return runScript(script, runner, true) ? 0 : 1;
}
