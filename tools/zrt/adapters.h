// Adapters: how the host calls exports that take plain C arguments. An adapter reads the
// line's literal arguments, calls its export, and prints the return code and every output.
//
// Each subsystem keeps its adapters in tools/zrt/adapters_<subsystem>.cpp and registers them
// there with a static AdapterRegistrar; nothing else needs to change. docs/host.md shows how.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "notation/block.h"
#include "notation/literal.h"

namespace zrt::host {

// One call of an adapter: its arguments, and where its outputs go. The accessors throw
// HostError, with the argument's column, when an argument does not suit; the host then prints
// the message and the export is not called.
class AdapterCall {
public:
    AdapterCall(std::string name, std::string usage, std::vector<Argument> args,
                std::ostream& out);

    size_t count() const { return args_.size(); }
    // Requires between least and most arguments (exactly least when most is 0).
    void expectCount(size_t least, size_t most = 0) const;

    const Value& value(size_t i) const;
    // A character vector or scalar, as its bytes.
    std::string text(size_t i) const;
    // As text, or nothing for ⍬ (a null pointer where the export allows one).
    std::optional<std::string> optionalText(size_t i) const;
    int32_t int32(size_t i) const;
    // A whole number from 0 to 4294967295.
    uint32_t uint32(size_t i) const;
    double number(size_t i) const;
    // Bytes given as characters, or as numbers from 0 to 255.
    std::string bytes(size_t i) const;
    // The argument as an array block of the interpreter's; freed when the call ends.
    APLArray* array(size_t i);

    // The return code: the first line the adapter prints.
    void code(uint32_t c);
    // One output: name←value, in the notation.
    void output(std::string_view name, const Value& v);
    void output(std::string_view name, double v);
    void outputText(std::string_view name, std::string_view bytes);
    // An array the export handed back: printed as name←value, then freed as a result.
    void outputResult(std::string_view name, APLArray* result);

    // A mistake in argument i (or of the call as a whole when i is out of range).
    [[noreturn]] void fail(size_t i, const std::string& message) const;

private:
    const Argument& at(size_t i) const;

    std::string name_, usage_;
    std::vector<Argument> args_;
    std::vector<HostBlock> blocks_;
    std::ostream& out_;
};

using AdapterFunction = void (*)(AdapterCall&);

struct Adapter {
    std::string name;
    std::string usage;  // the arguments, for messages: "registry base, ini path (⍬: none)"
    AdapterFunction run;
};

// Registers an adapter while the program starts: a static object in the adapter's file.
class AdapterRegistrar {
public:
    AdapterRegistrar(const char* name, const char* usage, AdapterFunction run);
};

const Adapter* findAdapter(std::string_view name);

}  // namespace zrt::host
