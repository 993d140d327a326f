// A file with the given content in a fresh directory, open for reading through a classic file
// handle, as the interpreter hands such handles to the library.
#pragma once

#include <string>

#include "platform/platform.h"
#include "support/test_support.h"

namespace zrt::test {

class ClassicFile {
public:
    explicit ClassicFile(const std::string& content) {
        writeFile(dir_.file("data.csv"), content);
        handle_ = platform::classicOpen(dir_.file("data.csv"), platform::kOfRead);
    }
    ~ClassicFile() { platform::classicClose(handle_); }
    ClassicFile(const ClassicFile&) = delete;
    ClassicFile& operator=(const ClassicFile&) = delete;

    platform::ClassicHandle handle() const { return handle_; }
    int32_t position() const { return platform::classicSeek(handle_, 0, 1); }

private:
    TempDir dir_;
    platform::ClassicHandle handle_;
};

}  // namespace zrt::test
