// Host commands: lines that start with ]. They prepare what exports work on (files, handles,
// the working directory, the environment) and show what the exports left behind.
//
// A command is registered with a static CommandRegistrar, like an adapter; the built-in ones
// are in commands_*.cpp.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "notation/error.h"
#include "notation/value.h"

namespace zrt::host {

// One command line split into words: blanks separate them, and a word in quotes may hold
// blanks ('my file' and 'it''s' as in a string literal).
class CommandCall {
public:
    CommandCall(std::string name, std::string usage, std::string_view line, size_t start,
                std::ostream& out);

    size_t count() const { return words_.size(); }
    // Requires between least and most words (exactly least when most is 0).
    void expectCount(size_t least, size_t most = 0) const;
    const std::string& word(size_t i) const;
    // The word as a whole number.
    int64_t number(size_t i) const;
    // The text of the line from word i on, as written (for ]echo), or "".
    std::string_view rest(size_t i) const;
    // The byte offset of word i in the line, to read literals from there.
    size_t offset(size_t i) const { return words_.at(i).offset; }
    std::string_view line() const { return line_; }
    std::ostream& out() { return out_; }

    // A mistake in word i (or of the command as a whole when i is out of range).
    [[noreturn]] void fail(size_t i, const std::string& message) const;

private:
    struct Word {
        std::string text;
        size_t offset;
    };

    std::string name_, usage_;
    std::string_view line_;
    std::vector<Word> words_;
    std::ostream& out_;
};

using CommandFunction = void (*)(CommandCall&);

struct Command {
    std::string name;
    std::string usage;  // the words it takes: "path [mode]"
    CommandFunction run;
    bool echoed;        // whether the line is echoed before it runs (]echo is not)
};

class CommandRegistrar {
public:
    CommandRegistrar(const char* name, const char* usage, CommandFunction run,
                     bool echoed = true);
};

const Command* findCommand(std::string_view name);
std::vector<const Command*> allCommands();

// The result of the last export line, for commands that take it further as APL code would
// (]entry); an empty value before the first and after a command has used it up.
const Value& lastResult();
void setLastResult(Value v);

}  // namespace zrt::host
