#include "text/delimited.h"

namespace zrt {

Code ReadBlock(platform::ClassicHandle handle, uint32_t blockSize, Block& block) {
    uint32_t wanted = blockSize - 1;
    block.data.reset(new char[blockSize]);
    int32_t got = platform::classicRead(handle, block.data.get(), wanted);
    if (got < 0) return kFileError;
    block.length = static_cast<uint32_t>(got);
    block.last = block.length < wanted;
    return kOk;
}

void SplitLines(std::string_view text, Lines& lines) {
    lines.complete.clear();
    size_t start = 0;
    for (size_t cr; (cr = text.find('\r', start)) != std::string_view::npos; start = cr + 1)
        lines.complete.push_back(text.substr(start, cr - start));
    lines.rest = text.substr(start);
}

bool FieldSplitter::split(std::string_view line) {
    text_.clear();
    ends_.clear();
    if (line.empty()) return true;
    bool quoted = false;
    size_t last = line.size() - 1;
    for (size_t i = 0; i < last; ++i) {
        char c = line[i];
        if (c == '\n') continue;
        if (c == quote_) {
            if (!quoted && i > 0 && line[i - 1] == quote_) text_ += quote_;
            quoted = !quoted;
        } else if (c == separator_ && !quoted) {
            // This field and the line's last one would make one too many.
            if (ends_.size() + 1 == kMaxFields) return false;
            ends_.push_back(static_cast<uint32_t>(text_.size()));
        } else {
            text_ += c;
        }
    }
    char c = line[last];
    if (c != quote_ && c != separator_ && c != '\n') text_ += c;
    ends_.push_back(static_cast<uint32_t>(text_.size()));
    return true;
}

std::string_view FieldSplitter::field(uint32_t i) const {
    uint32_t begin = i == 0 ? 0 : ends_[i - 1];
    return std::string_view(text_).substr(begin, ends_[i] - begin);
}

int32_t CountFields(std::string_view line, char quote, char separator) {
    if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) return 1;
    int32_t count = 1;
    bool quoted = line[0] == quote;
    if (line[0] == separator) ++count;
    for (size_t i = 1; i + 1 < line.size(); ++i) {
        if (line[i] == quote) quoted = !quoted;
        else if (line[i] == separator && !quoted) ++count;
    }
    return count;
}

}  // namespace zrt
