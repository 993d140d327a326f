#if !defined(_WIN32)

#include "os.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
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

namespace {

void closeDescriptor(intptr_t& fd) {
    if (fd < 0) return;
    ::close(static_cast<int>(fd));
    fd = -1;
}

// Starts program with its input and output on the given pipe ends; its pid, or -1.
pid_t spawnWithPipes(const std::string& program, const std::vector<std::string>& args,
                     int input, int output, std::string& error) {
    std::vector<std::string> words{program};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input, 0);
    posix_spawn_file_actions_adddup2(&actions, output, 1);
    // We ignore SIGPIPE while a child runs; the child gets the default back.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &pipeSignal);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    int e = posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (e == 0) return pid;
    error = strerror(e);
    return -1;
}

}  // namespace

bool ChildProcess::start(const std::string& program, const std::vector<std::string>& args,
                         std::string& error) {
    end();
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0) {
        error = lastError();
        return false;
    }
    if (::pipe2(out, O_CLOEXEC) != 0) {
        error = lastError();
        ::close(in[0]);
        ::close(in[1]);
        return false;
    }
    // A child that has ended must not end us with SIGPIPE when we write to it.
    ::signal(SIGPIPE, SIG_IGN);
    pid_t pid = spawnWithPipes(program, args, in[0], out[1], error);
    ::close(in[0]);
    ::close(out[1]);
    if (pid < 0) {
        ::close(in[1]);
        ::close(out[0]);
        return false;
    }
    process_ = pid;
    input_ = in[1];
    output_ = out[0];
    return true;
}

bool ChildProcess::send(const std::string& text, std::string& error) {
    for (size_t done = 0; done < text.size();) {
        ssize_t n = ::write(static_cast<int>(input_), text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = errno == EPIPE ? "has ended" : "failed: " + lastError();
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

bool ChildProcess::receive(std::string& line, int timeoutMs, std::string& error) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        size_t lineEnd = pending_.find('\n');
        if (lineEnd != std::string::npos) {
            line = pending_.substr(0, lineEnd);
            pending_.erase(0, lineEnd + 1);
            return true;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd ready{static_cast<int>(output_), POLLIN, 0};
        int n = left.count() > 0 ? ::poll(&ready, 1, static_cast<int>(left.count())) : 0;
        if (n < 0 && errno == EINTR) continue;
        if (n == 0) {
            error = "printed no whole line for " + std::to_string(timeoutMs / 1000) + " seconds";
            return false;
        }
        char bytes[4096];
        ssize_t got = n < 0 ? -1 : ::read(static_cast<int>(output_), bytes, sizeof bytes);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            error = got < 0 ? "failed: " + lastError() : "has ended";
            return false;
        }
        pending_.append(bytes, static_cast<size_t>(got));
    }
}

int ChildProcess::end() {
    if (process_ == kNone) return -1;
    closeDescriptor(input_);
    pid_t pid = static_cast<pid_t>(process_);
    int status = 0;
    pid_t done = 0;
    for (int waited = 0; (done = ::waitpid(pid, &status, WNOHANG)) == 0 && waited < 2000;
         waited += 10) {
        timespec pause{0, 10 * 1000 * 1000};
        ::nanosleep(&pause, nullptr);
    }
    if (done == 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        status = -1;
    }
    closeDescriptor(output_);
    process_ = kNone;
    pending_.clear();
    return done > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace zrt::host::os

#endif
