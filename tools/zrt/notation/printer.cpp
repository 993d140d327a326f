#include "notation/printer.h"

#include <charconv>
#include <cmath>

namespace zrt::host {

namespace {

std::string print(const Value& v);

bool hasControl(const Value& v) {
    for (char c : v.chars)
        if (isControlByte(static_cast<unsigned char>(c))) return true;
    return false;
}

// "2 3⍴" for a matrix; vectors and scalars need no shape in front of their elements.
std::string shapePrefix(const Value& v) {
    std::string s;
    for (uint32_t k : v.shape) s += (s.empty() ? "" : " ") + std::to_string(k);
    return s + "⍴";
}

// Elements written as one strand, a single element, or an empty vector, with the shape in
// front when the rank is not 0 or 1: 5, ,5, 5 6, 2 2⍴5 6 7 8.
std::string withShape(const Value& v, const std::string& elements) {
    if (v.isScalar()) return elements;
    if (v.rank() == 1) return v.count() == 1 ? "," + elements : elements;
    return shapePrefix(v) + elements;
}

std::string numeric(const Value& v) {
    std::string elements;
    for (double x : v.numbers) elements += (elements.empty() ? "" : " ") + formatNumber(x);
    if (v.numbers.empty()) elements = "⍬";
    std::string body = withShape(v, elements);
    return v.type == narrowestType(v.numbers) ? body : typeName(v.type) + (" " + body);
}

std::string codesOf(const Value& v) {
    Value codes;
    codes.shape = v.shape;
    for (char c : v.chars) codes.numbers.push_back(static_cast<unsigned char>(c));
    codes.type = narrowestType(codes.numbers);
    return "⎕UCS " + numeric(codes);
}

// A vector of text and control characters as its runs joined by commas:
// 'abc',(⎕UCS 9),'de',⎕UCS 13 10. ⎕UCS takes all on its right, so only a last run of
// control characters goes without parentheses.
std::string runsOf(const std::string& chars) {
    std::string s;
    for (size_t i = 0; i < chars.size();) {
        bool control = isControlByte(static_cast<unsigned char>(chars[i]));
        size_t end = i;
        while (end < chars.size() &&
               isControlByte(static_cast<unsigned char>(chars[end])) == control)
            ++end;
        Value run = charVector(chars.substr(i, end - i));
        if (run.count() == 1) run.shape.clear();
        std::string text = control ? codesOf(run) : quoteString(run.chars);
        if (!s.empty()) s += ',';
        s += control && end < chars.size() ? "(" + text + ")" : text;
        i = end;
    }
    return s;
}

std::string characters(const Value& v) {
    if (!hasControl(v)) return withShape(v, quoteString(v.chars));
    bool allControl = true;
    for (char c : v.chars) allControl = allControl && isControlByte(static_cast<unsigned char>(c));
    if (v.rank() != 1 || allControl) return codesOf(v);
    return runsOf(v.chars);
}

// Whether the item can stand in a strand without parentheses: a number of its narrowest type,
// a string, ⍬.
bool standsBare(const Value& x) {
    if (x.isSimpleNumeric()) {
        bool scalarOrZilde = x.isScalar() || (x.rank() == 1 && x.count() == 0);
        return scalarOrZilde && x.type == narrowestType(x.numbers);
    }
    if (x.type == kChar)
        return !hasControl(x) && (x.isScalar() || (x.rank() == 1 && x.count() != 1));
    return false;
}

bool bareNumber(const Value& x) { return x.isSimpleNumeric() && x.isScalar(); }
bool bareChar(const Value& x) { return x.type == kChar && x.isScalar(); }

// Items of a nested array as a strand. Bare numbers alone, or bare characters alone, would
// read back as a simple vector, so then every item is parenthesised.
std::string strand(const std::vector<Value>& items) {
    bool allNumbers = true, allChars = true;
    for (const Value& x : items) {
        allNumbers = allNumbers && bareNumber(x) && standsBare(x);
        allChars = allChars && bareChar(x) && standsBare(x);
    }
    std::string s;
    for (const Value& x : items) {
        if (!s.empty()) s += ' ';
        bool bare = standsBare(x) && !allNumbers && !allChars;
        s += bare ? print(x) : "(" + print(x) + ")";
    }
    return s;
}

std::string nested(const Value& v) {
    // An enclosed item: ⊂ applies to everything on its right, so the item needs no parentheses.
    auto enclosed = [](const Value& x) { return "⊂" + print(x); };
    if (v.isScalar()) return enclosed(v.items[0]);
    uint64_t n = v.count();
    if (n == 0) return shapePrefix(v) + enclosed(v.items[0]);  // the prototype
    if (n == 1) return (v.rank() == 1 ? "," : shapePrefix(v)) + enclosed(v.items[0]);
    return (v.rank() == 1 ? "" : shapePrefix(v)) + strand(v.items);
}

std::string print(const Value& v) {
    if (v.type == kChar) return characters(v);
    if (v.type == kNested) return nested(v);
    return numeric(v);
}

}  // namespace

bool isControlByte(unsigned char c) { return c < 32 || (c >= 127 && c < 160); }

std::string formatNumber(double v) {
    if (std::isnan(v)) return "NaN";
    if (std::isinf(v)) return v > 0 ? "∞" : "¯∞";
    char buffer[64];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
    std::string s;
    for (const char* p = buffer; p != end; ++p) {
        if (*p == '-') {
            s += "¯";
        } else if (*p == 'e') {
            s += 'E';
            if (p[1] == '+') ++p;
            if (p[1] == '-') { s += "¯"; ++p; }
            while (p[1] == '0' && p + 2 != end) ++p;  // 1E¯7, not 1E¯07
        } else {
            s += *p;
        }
    }
    return s;
}

std::string quoteString(std::string_view bytes) {
    std::string s = "'";
    for (char c : bytes) {
        auto b = static_cast<unsigned char>(c);
        if (c == '\'') {
            s += "''";
        } else if (b >= 0x80) {  // U+0080-U+00FF in UTF-8
            s += static_cast<char>(0xC0 | (b >> 6));
            s += static_cast<char>(0x80 | (b & 0x3F));
        } else {
            s += c;
        }
    }
    return s + "'";
}

std::string printValue(const Value& v) { return print(v); }

}  // namespace zrt::host
