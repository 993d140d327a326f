#include "commands.h"

#include <charconv>
#include <map>
#include <utility>

#include "notation/literal.h"

namespace zrt::host {

namespace {

std::map<std::string, Command, std::less<>>& commands() {
    static std::map<std::string, Command, std::less<>> all;
    return all;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

}  // namespace

CommandRegistrar::CommandRegistrar(const char* name, const char* usage, CommandFunction run,
                                   bool echoed) {
    commands()[name] = Command{name, usage, run, echoed};
}

const Command* findCommand(std::string_view name) {
    auto it = commands().find(name);
    return it == commands().end() ? nullptr : &it->second;
}

std::vector<const Command*> allCommands() {
    std::vector<const Command*> all;
    for (const auto& [name, command] : commands()) all.push_back(&command);
    return all;
}

namespace {

Value& lastResultSlot() {
    static Value last;
    return last;
}

}  // namespace

const Value& lastResult() { return lastResultSlot(); }
void setLastResult(Value v) { lastResultSlot() = std::move(v); }

CommandCall::CommandCall(std::string name, std::string usage, std::string_view line,
                         size_t start, std::ostream& out)
    : name_(std::move(name)), usage_(std::move(usage)), line_(line), out_(out) {
    size_t i = start;
    for (;;) {
        while (i < line.size() && isBlank(line[i])) ++i;
        if (i >= line.size()) break;
        Word w{"", i};
        if (line[i] == '\'') {
            for (++i;; ++i) {
                if (i >= line.size()) throw HostError(columnOf(line, w.offset),
                                                      "the string has no closing quote");
                if (line[i] == '\'' && (i + 1 >= line.size() || line[i + 1] != '\'')) break;
                if (line[i] == '\'') ++i;
                w.text += line[i];
            }
            ++i;
        } else {
            while (i < line.size() && !isBlank(line[i])) w.text += line[i++];
        }
        words_.push_back(std::move(w));
    }
}

void CommandCall::expectCount(size_t least, size_t most) const {
    if (most == 0) most = least;
    if (words_.size() >= least && words_.size() <= most) return;
    std::string message = "]" + name_ + " takes " + (usage_.empty() ? "no arguments" : usage_);
    fail(words_.size() > most ? most : words_.size(), message);
}

const std::string& CommandCall::word(size_t i) const {
    if (i >= words_.size()) fail(i, "]" + name_ + " takes " + usage_);
    return words_[i].text;
}

int64_t CommandCall::number(size_t i) const {
    std::string text = word(i);
    if (text.rfind("¯", 0) == 0) text.replace(0, std::string("¯").size(), "-");
    int64_t v = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size())
        fail(i, "'" + word(i) + "' is not a whole number");
    return v;
}

std::string_view CommandCall::rest(size_t i) const {
    return i < words_.size() ? line_.substr(words_[i].offset) : std::string_view();
}

void CommandCall::fail(size_t i, const std::string& message) const {
    throw HostError(i < words_.size() ? columnOf(line_, words_[i].offset) : 0, message);
}

}  // namespace zrt::host
