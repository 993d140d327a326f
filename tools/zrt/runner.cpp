#include "runner.h"

#include <new>

#include "adapters.h"
#include "commands.h"
#include "export_list.h"
#include "notation/block.h"
#include "notation/literal.h"
#include "notation/printer.h"

namespace zrt::host {

namespace {

constexpr std::string_view kEchoIndent = "      ";
constexpr std::string_view kLamp = "⍝";

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool isNameChar(char c, bool first) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' ||
           (!first && c >= '0' && c <= '9');
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

size_t nameEnd(std::string_view line, size_t start) {
    size_t i = start;
    while (i < line.size() && isNameChar(line[i], i == start)) ++i;
    return i;
}

// Whether anything but blanks and a comment follows offset.
bool hasArgument(std::string_view line, size_t offset) {
    std::string_view rest = trimmed(line.substr(offset));
    return !rest.empty() && rest.substr(0, kLamp.size()) != kLamp;
}

// The two arrays of a Pair export: the items of a two-item vector.
std::pair<Value, Value> pairOf(const Value& v, const std::string& name, uint32_t column) {
    if (v.rank() != 1 || v.count() != 2)
        throw HostError(column, name + " takes two arrays: write them as a two-item vector");
    if (v.type == kNested) return {v.items[0], v.items[1]};
    Value first = v, second = v;
    first.shape.clear();
    second.shape.clear();
    if (v.type == kChar) {
        first.chars.resize(1);
        second.chars.erase(0, 1);
    } else {
        first.numbers.resize(1);
        second.numbers.erase(second.numbers.begin());
    }
    return {first, second};
}

}  // namespace

bool Runner::run(std::string_view line, bool echo) {
    line = trimmed(line);
    if (line.empty() || line.substr(0, kLamp.size()) == kLamp) return true;
    bool ok = true;
    try {
        if (line[0] == ']') {
            runCommand(line, echo);
        } else {
            if (echo) out_ << kEchoIndent << line << '\n';
            runExport(line);
        }
    } catch (const HostError& e) {
        out_ << "error: ";
        if (e.column()) out_ << "column " << e.column() << ": ";
        out_ << e.what() << '\n';
        ok = false;
    } catch (const ReportedFailure&) {
        ok = false;
    } catch (const std::bad_alloc&) {
        out_ << "error: out of memory\n";
        ok = false;
    }
    out_.flush();
    return ok;
}

void Runner::runCommand(std::string_view line, bool echo) {
    size_t end = nameEnd(line, 1);
    std::string_view name = line.substr(1, end - 1);
    const Command* command = findCommand(name);
    if (echo && (!command || command->echoed)) out_ << kEchoIndent << line << '\n';
    if (!command)
        throw HostError(1, "no host command ]" + std::string(name) + " (]exports lists them)");
    CommandCall call(command->name, command->usage, line, end, out_);
    command->run(call);
}

void Runner::runExport(std::string_view line) {
    size_t end = nameEnd(line, 0);
    std::string name(line.substr(0, end));
    if (name.empty())
        throw HostError(1, "a line starts with the name of an export or with ]");
    if (const Adapter* adapter = findAdapter(name)) {
        AdapterCall call(name, adapter->usage, parseArguments(line, end), out_);
        adapter->run(call);
        return;
    }
    const ExportRow* row = findExport(name);
    if (!row) throw HostError(1, "the library has no export " + name);
    if (row->form == ExportForm::Plain)
        throw HostError(1, name + " takes plain arguments and has no adapter yet");

    APLArray* result = nullptr;
    if (row->form == ExportForm::Array) {
        HostBlock argument(hasArgument(line, end) ? makeBlock(parseLiteral(line, end)) : nullptr);
        result = row->array(argument.get());
    } else {
        auto [first, second] = pairOf(parseLiteral(line, end), name, columnOf(line, end));
        HostBlock a(makeBlock(first)), b(makeBlock(second));
        result = row->pair(a.get(), b.get());
    }
    // A result whose blocks do not follow the layout is reported and not freed: its items
    // cannot be trusted.
    Value value = readBlock(result);
    out_ << printValue(value) << '\n';
    freeResultBlock(result);
    setLastResult(std::move(value));
}

}  // namespace zrt::host
