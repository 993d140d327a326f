#include "adapters.h"

#include <cmath>
#include <map>

#include "notation/printer.h"

namespace zrt::host {

namespace {

// A function-local registry, so that registrars in any file may run first.
std::map<std::string, Adapter, std::less<>>& adapters() {
    static std::map<std::string, Adapter, std::less<>> all;
    return all;
}

bool isText(const Value& v) { return v.type == kChar && v.rank() <= 1; }

}  // namespace

AdapterRegistrar::AdapterRegistrar(const char* name, const char* usage, AdapterFunction run) {
    adapters()[name] = Adapter{name, usage, run};
}

const Adapter* findAdapter(std::string_view name) {
    auto it = adapters().find(name);
    return it == adapters().end() ? nullptr : &it->second;
}

AdapterCall::AdapterCall(std::string name, std::string usage, std::vector<Argument> args,
                         std::ostream& out)
    : name_(std::move(name)), usage_(std::move(usage)), args_(std::move(args)), out_(out) {}

void AdapterCall::expectCount(size_t least, size_t most) const {
    if (most == 0) most = least;
    if (args_.size() >= least && args_.size() <= most) return;
    fail(args_.size() > most ? most : args_.size(), name_ + " takes " + usage_);
}

const Argument& AdapterCall::at(size_t i) const {
    if (i >= args_.size()) fail(i, name_ + " takes " + usage_);
    return args_[i];
}

void AdapterCall::fail(size_t i, const std::string& message) const {
    throw HostError(i < args_.size() ? args_[i].column : 0, message);
}

const Value& AdapterCall::value(size_t i) const { return at(i).value; }

std::string AdapterCall::text(size_t i) const {
    const Value& v = value(i);
    if (!isText(v)) fail(i, "argument " + std::to_string(i + 1) + " of " + name_ + " must be text");
    return v.chars;
}

std::optional<std::string> AdapterCall::optionalText(size_t i) const {
    const Value& v = value(i);
    if (v.isSimpleNumeric() && v.rank() == 1 && v.count() == 0) return std::nullopt;
    if (!isText(v))
        fail(i, "argument " + std::to_string(i + 1) + " of " + name_ + " must be text or ⍬");
    return v.chars;
}

double AdapterCall::number(size_t i) const {
    const Value& v = value(i);
    if (!v.isSimpleNumeric() || v.count() != 1 || v.rank() > 1)
        fail(i, "argument " + std::to_string(i + 1) + " of " + name_ + " must be a number");
    return v.numbers[0];
}

int32_t AdapterCall::int32(size_t i) const {
    double d = number(i);
    if (!fitsType(d, kInt32))
        fail(i, "argument " + std::to_string(i + 1) + " of " + name_ +
                    " must be a whole number from ¯2147483648 to 2147483647");
    return static_cast<int32_t>(d);
}

uint32_t AdapterCall::uint32(size_t i) const {
    double d = number(i);
    if (!(d == std::trunc(d) && d >= 0 && d <= 4294967295.0))
        fail(i, "argument " + std::to_string(i + 1) + " of " + name_ +
                    " must be a whole number from 0 to 4294967295");
    return static_cast<uint32_t>(d);
}

std::string AdapterCall::bytes(size_t i) const {
    const Value& v = value(i);
    if (v.type == kChar) return v.chars;
    std::string out;
    if (v.isSimpleNumeric()) {
        for (double d : v.numbers) {
            if (!(d == std::trunc(d) && d >= 0 && d <= 255)) break;
            out += static_cast<char>(static_cast<uint8_t>(d));
        }
        if (out.size() == v.numbers.size()) return out;
    }
    fail(i, "argument " + std::to_string(i + 1) + " of " + name_ +
                " must be characters or numbers from 0 to 255");
}

APLArray* AdapterCall::array(size_t i) {
    blocks_.emplace_back(makeBlock(value(i)));
    return blocks_.back().get();
}

void AdapterCall::code(uint32_t c) { out_ << formatNumber(c) << '\n'; }

void AdapterCall::output(std::string_view name, const Value& v) {
    out_ << name << "←" << printValue(v) << '\n';
}

void AdapterCall::output(std::string_view name, double v) { output(name, numberScalar(v)); }

void AdapterCall::outputText(std::string_view name, std::string_view bytes) {
    output(name, charVector(std::string(bytes)));
}

void AdapterCall::outputResult(std::string_view name, APLArray* result) {
    output(name, readBlock(result));  // a faulty block is reported and not freed
    freeResultBlock(result);
}

}  // namespace zrt::host
