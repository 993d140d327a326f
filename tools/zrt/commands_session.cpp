// Host commands about the session: ]echo ]env ]exports ]help ]show.
#include "adapters.h"
#include "commands.h"
#include "export_list.h"
#include "notation/block.h"
#include "notation/literal.h"
#include "notation/printer.h"
#include "os.h"

namespace zrt::host {

namespace {

// ]echo text: prints the text as written; the line itself is not echoed, so a script can
// print headings and notes.
void echo(CommandCall& call) { call.out() << call.rest(0) << '\n'; }

// ]env NAME value sets a variable of the environment, ]env NAME removes it.
void env(CommandCall& call) {
    call.expectCount(1, 2);
    std::string error;
    bool done = call.count() == 2 ? os::setEnvironment(call.word(0), call.word(1), error)
                                  : os::unsetEnvironment(call.word(0), error);
    if (!done) call.fail(0, "cannot set '" + call.word(0) + "': " + error);
}

// ]show literal: the array as the host lays it out for the library, read back and printed;
// what it prints is the literal's canonical form.
void show(CommandCall& call) {
    if (call.count() == 0) call.fail(0, "]show takes a literal");
    HostBlock block(makeBlock(parseLiteral(call.line(), call.offset(0))));
    call.out() << printValue(readBlock(block.get())) << '\n';
}

const char* formOf(const ExportRow& r) {
    return r.form == ExportForm::Array ? "array"
         : r.form == ExportForm::Pair  ? "two arrays"
         : findAdapter(r.name)         ? "adapter"
                                       : "plain, no adapter yet";
}

void listCommands(CommandCall& call) {
    for (const Command* c : allCommands())
        call.out() << ']' << c->name << (c->usage.empty() ? "" : ": ") << c->usage << '\n';
}

// ]exports: the library's exports, how each is called, and the host commands.
void exports(CommandCall& call) {
    call.expectCount(0);
    for (const ExportRow& r : exportRows())
        call.out() << r.name << ' ' << r.ordinal << ' ' << formOf(r) << '\n';
    listCommands(call);
}

// ]help: what a line may be, the host commands, and the exports with what each one takes.
void help(CommandCall& call) {
    call.expectCount(0);
    call.out() << "A line is an export and its argument, a host command, or a comment (⍝ ...).\n"
                  "Arrays are written as in APL: 'text', 1 2 3, 2 3⍴x, ⊂x (docs/host.md).\n"
                  "\nHost commands:\n";
    listCommands(call);
    call.out() << "\nExports (array: one literal; two arrays: a two-item vector):\n";
    for (const ExportRow& r : exportRows()) {
        const Adapter* adapter = r.form == ExportForm::Plain ? findAdapter(r.name) : nullptr;
        call.out() << r.name << ": " << (adapter ? adapter->usage : formOf(r)) << '\n';
    }
}

const CommandRegistrar commands[] = {
    {"echo", "any text", &echo, false},
    {"env", "a name and a value (none: remove it)", &env},
    {"exports", "", &exports},
    {"help", "", &help},
    {"show", "a literal", &show},
};

}  // namespace

}  // namespace zrt::host
