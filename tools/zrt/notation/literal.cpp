#include "notation/literal.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

#include "notation/functions.h"

namespace zrt::host {

namespace {

constexpr char32_t kBad = 0xFFFFFFFF;
constexpr char32_t kHighMinus = U'¯';
constexpr char32_t kZilde = U'⍬';
constexpr char32_t kEncloseGlyph = U'⊂';
constexpr char32_t kRho = U'⍴';
constexpr char32_t kLamp = U'⍝';
constexpr char32_t kInfinity = U'∞';
constexpr char32_t kQuad = U'⎕';

// Parentheses and functions may nest this deep; deeper input is refused, not recursed into.
constexpr int kMaxDepth = 100;

// The code point at s[i], its length in n; kBad for anything that is not well-formed UTF-8.
char32_t decodeAt(std::string_view s, size_t i, size_t& n) {
    auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char b = byte(i);
    if (b < 0x80) { n = 1; return b; }
    char32_t c;
    char32_t least;
    if ((b & 0xE0) == 0xC0) { n = 2; c = b & 0x1F; least = 0x80; }
    else if ((b & 0xF0) == 0xE0) { n = 3; c = b & 0x0F; least = 0x800; }
    else if ((b & 0xF8) == 0xF0) { n = 4; c = b & 0x07; least = 0x10000; }
    else { n = 1; return kBad; }
    if (i + n > s.size()) { n = 1; return kBad; }
    for (size_t k = 1; k < n; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) { n = 1; return kBad; }
        c = (c << 6) | (byte(i + k) & 0x3F);
    }
    if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return kBad;
    return c;
}

std::string utf8(char32_t c) {
    std::string s;
    if (c < 0x80) {
        s += static_cast<char>(c);
    } else if (c < 0x800) {
        s += static_cast<char>(0xC0 | (c >> 6));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        s += static_cast<char>(0xE0 | (c >> 12));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | (c >> 18));
        s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    }
    return s;
}

bool isDigit(char32_t c) { return c >= '0' && c <= '9'; }
bool isLetter(char32_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }

struct Token {
    enum Kind { Number, String, Zilde, LParen, RParen, Function, Reshape, End };
    Kind kind = End;
    uint32_t column = 0;
    double number = 0;
    std::string text;  // the bytes of a string, or the function's name
};

// Splits the line into tokens; stops at the end of the line or at a comment.
class Lexer {
public:
    Lexer(std::string_view line, size_t start)
        : line_(line), pos_(start), column_(columnOf(line, start)) {}

    std::vector<Token> run() {
        std::vector<Token> tokens;
        do tokens.push_back(token());
        while (tokens.back().kind != Token::End);
        return tokens;
    }

private:
    Token token() {
        while (peek() == ' ' || peek() == '\t' || peek() == '\r' || peek() == '\n') advance();
        Token t;
        t.column = column_;
        char32_t c = peek();
        if (atEnd() || c == kLamp) return t;
        if (c == kBad) throw HostError(column_, "the line is not valid UTF-8");
        if (c == '\'') {
            t.kind = Token::String;
            t.text = string();
        } else if (isDigit(c) || c == '.' || c == kHighMinus || c == '-' || c == kInfinity) {
            t.kind = Token::Number;
            t.number = number();
        } else if (isLetter(c) || c == kQuad) {
            t.text = word();
            t.kind = t.text == "NaN" ? Token::Number : Token::Function;
            t.number = std::numeric_limits<double>::quiet_NaN();
        } else {
            t.kind = c == kZilde ? Token::Zilde
                   : c == '(' ? Token::LParen
                   : c == ')' ? Token::RParen
                   : c == kRho ? Token::Reshape
                   : Token::Function;
            if (t.kind == Token::Function && c != ',' && c != kEncloseGlyph)
                throw HostError(column_, "unexpected '" + utf8(c) + "'");
            t.text = utf8(c);
            advance();
        }
        return t;
    }

    bool atEnd() const { return pos_ >= line_.size(); }
    char32_t peek() const {
        if (atEnd()) return 0;
        size_t n;
        return decodeAt(line_, pos_, n);
    }
    void advance() {
        size_t n;
        decodeAt(line_, pos_, n);
        pos_ += n;
        ++column_;
    }

    // 'text' with '' for a quote; every character must have a one-byte code (U+0000-U+00FF).
    std::string string() {
        uint32_t opening = column_;
        advance();
        std::string bytes;
        for (;;) {
            if (atEnd()) throw HostError(opening, "the string has no closing quote");
            char32_t c = peek();
            if (c == kBad) throw HostError(column_, "the line is not valid UTF-8");
            if (c == '\'') {
                advance();
                if (peek() != '\'') return bytes;
            } else if (c > 0xFF) {
                throw HostError(column_, "'" + utf8(c) +
                                             "' is not a one-byte character (U+0000 to U+00FF)");
            }
            bytes += static_cast<char>(c);
            advance();
        }
    }

    // [¯|-] digits [. digits] [e [¯|-|+] digits], or [¯|-] ∞.
    double number() {
        uint32_t first = column_;
        std::string text;
        auto digits = [&] {
            size_t n = 0;
            for (; isDigit(peek()); ++n) { text += static_cast<char>(peek()); advance(); }
            return n;
        };
        if (peek() == kHighMinus || peek() == '-') { text += '-'; advance(); }
        if (peek() == kInfinity) {
            advance();
            endOfNumber(first);
            return text.empty() ? HUGE_VAL : -HUGE_VAL;
        }
        size_t mantissa = digits();
        if (peek() == '.') { text += '.'; advance(); mantissa += digits(); }
        if (mantissa == 0) throw HostError(first, "a number needs digits");
        if (peek() == 'e' || peek() == 'E') {
            text += 'e';
            advance();
            if (peek() == kHighMinus || peek() == '-') { text += '-'; advance(); }
            else if (peek() == '+') advance();
            if (digits() == 0) throw HostError(first, "the exponent needs digits");
        }
        endOfNumber(first);
        double v = 0;
        auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
        if (ec == std::errc::result_out_of_range)
            throw HostError(first, "the number is out of the range of a double");
        if (ec != std::errc() || end != text.data() + text.size())
            throw HostError(first, "malformed number");
        return v;
    }
    void endOfNumber(uint32_t first) {
        char32_t c = peek();
        if (isDigit(c) || isLetter(c) || c == '.' || c == kHighMinus || c == kInfinity)
            throw HostError(first, "malformed number");
    }

    std::string word() {
        std::string name;
        if (peek() == kQuad) { name = utf8(kQuad); advance(); }
        while (isLetter(peek()) || isDigit(peek())) {
            name += static_cast<char>(peek());
            advance();
        }
        return name;
    }

    std::string_view line_;
    size_t pos_;
    uint32_t column_;
};

// One item of a strand and how it was written: bare numbers join into a simple numeric vector,
// bare one-character strings into a character vector; anything else makes the strand nested.
struct Item {
    enum Kind { BareNumber, BareChar, Other };
    Value value;
    Kind kind;
};

// Recursive descent over the tokens, right to left in effect: a function applies to all that
// follows it, as in APL.
class Parser {
public:
    explicit Parser(std::vector<Token> tokens) : tokens_(std::move(tokens)) {}

    Value wholeExpression() {
        Value v = expression();
        expectEnd();
        return v;
    }

    std::vector<Argument> arguments() {
        std::vector<Argument> args;
        while (startsItem(peek().kind)) {
            uint32_t column = peek().column;
            args.push_back({item().value, column});
        }
        if (peek().kind == Token::Function || peek().kind == Token::Reshape)
            throw HostError(peek().column, "put an argument that uses '" + peek().text +
                                               "' in parentheses");
        expectEnd();
        return args;
    }

private:
    const Token& peek() const { return tokens_[next_]; }
    const Token& take() { return tokens_[next_++]; }

    static bool startsItem(Token::Kind k) {
        return k == Token::Number || k == Token::String || k == Token::Zilde ||
               k == Token::LParen;
    }

    void expectEnd() {
        const Token& t = peek();
        if (t.kind == Token::End) return;
        if (t.kind == Token::RParen) throw HostError(t.column, "')' without '('");
        throw HostError(t.column, "unexpected '" + t.text + "'");
    }

    // expression: function expression | strand [⍴ expression | , expression]
    //
    // A chain of catenations (a , b , ... , rest) is read in a loop and joined from the right,
    // so that a long text of runs, as the printer writes it, does not nest.
    Value expression() {
        DepthGuard guard(*this);
        std::vector<std::pair<Value, uint32_t>> lefts;  // each left argument and its ',' column
        for (;;) {
            const Token& t = peek();
            if (t.kind == Token::Function) {
                Token fn = take();
                Value right = expression();
                return joined(lefts, applyMonadic(fn.text, std::move(right), fn.column));
            }
            if (t.kind == Token::Reshape) throw HostError(t.column, "'⍴' needs a left argument");
            if (!startsItem(t.kind))
                throw HostError(t.column, t.kind == Token::End ? "a value is missing"
                                                               : "unexpected '" + t.text + "'");
            Value left = strand();
            if (peek().kind == Token::Reshape) {
                uint32_t column = take().column;
                Value right = expression();
                return joined(lefts, reshape(left, right, column));
            }
            if (peek().kind == Token::Function && peek().text == ",") {
                uint32_t column = take().column;
                lefts.emplace_back(std::move(left), column);
                continue;
            }
            if (peek().kind == Token::Function)
                throw HostError(peek().column, "'" + peek().text + "' takes no left argument");
            return joined(lefts, std::move(left));
        }
    }

    static Value joined(const std::vector<std::pair<Value, uint32_t>>& lefts, Value right) {
        for (size_t k = lefts.size(); k-- > 0;) right = catenate(lefts[k].first, right, lefts[k].second);
        return right;
    }

    Value strand() {
        std::vector<Item> items;
        uint64_t elements = 0;
        while (startsItem(peek().kind)) {
            const uint32_t column = peek().column;
            items.push_back(item());
            elements += 1 + items.back().value.elements();
            checkLiteralSize(elements, column);
        }
        if (items.size() == 1) return std::move(items[0].value);
        bool allNumbers = true, allChars = true;
        for (const Item& i : items) {
            allNumbers = allNumbers && i.kind == Item::BareNumber;
            allChars = allChars && i.kind == Item::BareChar;
        }
        auto n = static_cast<uint32_t>(items.size());
        if (allNumbers) {
            std::vector<double> numbers;
            for (const Item& i : items) numbers.push_back(i.value.numbers[0]);
            return numericArray({n}, std::move(numbers));
        }
        if (allChars) {
            std::string text;
            for (const Item& i : items) text += i.value.chars;
            return charVector(std::move(text));
        }
        std::vector<Value> values;
        for (Item& i : items) values.push_back(std::move(i.value));
        return nestedArray({n}, std::move(values));
    }

    Item item() {
        const Token& t = take();
        switch (t.kind) {
        case Token::Number: return {numberScalar(t.number), Item::BareNumber};
        case Token::String:
            if (t.text.size() == 1) return {charScalar(t.text[0]), Item::BareChar};
            return {charVector(t.text), Item::Other};
        case Token::Zilde: return {numericArray({0}, {}), Item::Other};
        default: break;  // LParen: startsItem has been checked
        }
        uint32_t opening = t.column;
        if (peek().kind == Token::RParen) throw HostError(peek().column, "'()' holds no value");
        Value v = expression();
        if (peek().kind != Token::RParen) {
            if (peek().kind == Token::End) throw HostError(opening, "'(' without ')'");
            expectEnd();
        }
        take();
        return {std::move(v), Item::Other};
    }

    struct DepthGuard {
        explicit DepthGuard(Parser& p) : parser(p) {
            if (++parser.depth_ > kMaxDepth)
                throw HostError(parser.peek().column, "the expression nests too deeply");
        }
        ~DepthGuard() { --parser.depth_; }
        Parser& parser;
    };

    std::vector<Token> tokens_;
    size_t next_ = 0;
    int depth_ = 0;
};

}  // namespace

uint32_t columnOf(std::string_view line, size_t offset) {
    uint32_t column = 1;
    for (size_t i = 0; i < offset && i < line.size(); ++i)
        if ((static_cast<unsigned char>(line[i]) & 0xC0) != 0x80) ++column;
    return column;
}

Value parseLiteral(std::string_view line, size_t start) {
    return Parser(Lexer(line, start).run()).wholeExpression();
}

std::vector<Argument> parseArguments(std::string_view line, size_t start) {
    return Parser(Lexer(line, start).run()).arguments();
}

}  // namespace zrt::host
