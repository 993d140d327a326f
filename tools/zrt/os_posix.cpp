#if !defined(_WIN32)

#include "os.h"

#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>

#if defined(ZRT_HAVE_LIBEDIT)
#include <editline/readline.h>
#elif defined(ZRT_HAVE_READLINE)
#include <readline/history.h>
#include <readline/readline.h>
#endif

namespace zrt::host::os {

namespace {

std::string lastError() { return strerror(errno); }

int32_t checked(int result, std::string& error) {
    if (result < 0) error = lastError();
    return result;
}

// Handles are numbered from 100 up, apart from the descriptors that the library, the runtime
// and the sanitizers open, so that a script sees the same numbers in every build.
constexpr int kFirstHandle = 100;

int32_t numbered(int fd, std::string& error) {
    if (fd < 0) return checked(fd, error);
    int handle = ::fcntl(fd, F_DUPFD_CLOEXEC, kFirstHandle);
    if (handle < 0) error = lastError();
    ::close(fd);
    return handle;
}

}  // namespace

int32_t openHandle(const std::string& path, uint32_t mode, std::string& error) {
    int access = (mode & 3) == 1 ? O_WRONLY : (mode & 3) == 2 ? O_RDWR : O_RDONLY;
    return numbered(::open(path.c_str(), access | O_CLOEXEC), error);
}

int32_t createHandle(const std::string& path, std::string& error) {
    return numbered(::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666), error);
}

int64_t readHandle(int32_t handle, uint32_t count, std::string& bytes, std::string& error) {
    bytes.assign(count, '\0');
    ssize_t got = ::read(handle, bytes.data(), count);
    if (got < 0) {
        error = lastError();
        bytes.clear();
        return -1;
    }
    bytes.resize(static_cast<size_t>(got));
    return got;
}

int64_t seekHandle(int32_t handle, int64_t offset, int origin, std::string& error) {
    int whence = origin == 1 ? SEEK_CUR : origin == 2 ? SEEK_END : SEEK_SET;
    off_t at = ::lseek(handle, static_cast<off_t>(offset), whence);
    if (at < 0) error = lastError();
    return at;
}

bool closeHandle(int32_t handle, std::string& error) {
    return checked(::close(handle), error) == 0;
}

bool setEnvironment(const std::string& name, const std::string& value, std::string& error) {
    return checked(::setenv(name.c_str(), value.c_str(), 1), error) == 0;
}

bool unsetEnvironment(const std::string& name, std::string& error) {
    return checked(::unsetenv(name.c_str()), error) == 0;
}

bool inputIsTerminal() { return ::isatty(0) == 1; }

#if defined(ZRT_HAVE_LIBEDIT) || defined(ZRT_HAVE_READLINE)

namespace {

std::string historyFile() {
    const char* home = std::getenv("HOME");
    return home && *home ? std::string(home) + "/.zrt_history" : "";
}

}  // namespace

bool readLine(const std::string& prompt, std::string& line) {
    static const std::string history = [] {
        // Multibyte characters (the APL glyphs of the notation) are edited as characters.
        std::setlocale(LC_CTYPE, "");
        std::string file = historyFile();
        if (!file.empty()) read_history(file.c_str());
        return file;
    }();
    std::unique_ptr<char, decltype(&std::free)> typed(readline(prompt.c_str()), &std::free);
    if (!typed) return false;
    line = typed.get();
    if (!line.empty()) {
        add_history(typed.get());
        if (!history.empty()) write_history(history.c_str());
    }
    return true;
}

#else

bool readLine(const std::string& prompt, std::string& line) {
    std::cout << prompt << std::flush;
    return static_cast<bool>(std::getline(std::cin, line));
}

#endif

std::string executablePath() {
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? "" : self.string();
}

}  // namespace zrt::host::os

#endif
