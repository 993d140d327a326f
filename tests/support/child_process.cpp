// Child processes for tests between processes: the test program starts a copy of itself with
// "--zrt-child <role> args...", and that copy runs the role instead of the tests.
#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "support/test_support.h"

#ifndef _WIN32
extern char** environ;
#endif

namespace zrt::test {

namespace {

const char* const kChildFlag = "--zrt-child";

std::map<std::string, ChildMain>& roles() {
    static std::map<std::string, ChildMain> table;
    return table;
}

}  // namespace

ChildRole::ChildRole(const char* name, ChildMain main) { roles()[name] = main; }

ChildProcess::~ChildProcess() { kill(); }

ChildProcess::ChildProcess(ChildProcess&& other) noexcept : id_(std::exchange(other.id_, 0)) {}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
    if (this != &other) {
        kill();
        id_ = std::exchange(other.id_, 0);
    }
    return *this;
}

#ifdef _WIN32

namespace {

// One argument as the C runtime's command-line parser reads it back: quoted when it has
// blanks or quotes, backslashes doubled only where a quote follows them.
std::string quoted(const std::string& arg) {
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
    std::string out = "\"";
    size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        out.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        backslashes = 0;
        out += c;
    }
    out.append(2 * backslashes, '\\');
    return out + "\"";
}

}  // namespace

ChildProcess ChildProcess::start(const std::string& role, const std::vector<std::string>& args) {
    char self[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, self, sizeof self);
    ChildProcess child;
    if (n == 0 || n >= sizeof self) return child;
    std::string line = quoted(self) + " " + kChildFlag + " " + quoted(role);
    for (const std::string& a : args) line += " " + quoted(a);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (CreateProcessA(self, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &process)) {
        CloseHandle(process.hThread);
        child.id_ = reinterpret_cast<intptr_t>(process.hProcess);
    }
    return child;
}

// The child has ended before kill returns, so that everything it held is released.
void ChildProcess::kill() {
    if (id_ == 0) return;
    HANDLE process = reinterpret_cast<HANDLE>(std::exchange(id_, 0));
    TerminateProcess(process, 1);
    WaitForSingleObject(process, INFINITE);
    CloseHandle(process);
}

// An exit code beyond what a role returns is an exception's status: the child crashed.
int ChildProcess::wait() {
    if (id_ == 0) return -1;
    HANDLE process = reinterpret_cast<HANDLE>(std::exchange(id_, 0));
    DWORD code = 0;
    bool ended = WaitForSingleObject(process, INFINITE) == WAIT_OBJECT_0 &&
                 GetExitCodeProcess(process, &code);
    CloseHandle(process);
    return ended && code <= 0xFFFF ? static_cast<int>(code) : -1;
}

namespace {

void pause5ms() { Sleep(5); }

}  // namespace

#else

ChildProcess ChildProcess::start(const std::string& role, const std::vector<std::string>& args) {
    std::vector<std::string> all = {"/proc/self/exe", kChildFlag, role};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    ChildProcess child;
    if (posix_spawn(&pid, "/proc/self/exe", nullptr, nullptr, argv.data(), environ) == 0)
        child.id_ = pid;
    return child;
}

// The child is reaped before kill returns, so that everything it held is released.
void ChildProcess::kill() {
    if (id_ == 0) return;
    pid_t pid = static_cast<pid_t>(std::exchange(id_, 0));
    ::kill(pid, SIGKILL);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

int ChildProcess::wait() {
    if (id_ == 0) return -1;
    pid_t pid = static_cast<pid_t>(std::exchange(id_, 0));
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

namespace {

void pause5ms() {
    struct timespec pause = {0, 5 * 1000 * 1000};
    nanosleep(&pause, nullptr);
}

}  // namespace

#endif

bool waitForFile(const std::string& path, int timeoutMs) {
    for (int waited = 0;; waited += 5) {
        std::error_code ec;
        if (std::filesystem::exists(path, ec)) return true;
        if (waited >= timeoutMs) return false;
        pause5ms();
    }
}

// An unknown role ends the child with 126, which no role returns by convention.
bool runChildRole(int argc, char** argv, int& status) {
    if (argc < 3 || std::strcmp(argv[1], kChildFlag) != 0) return false;
#ifdef _WIN32
    // A child that crashes (some roles do on purpose) ends without a dialog or a debugger.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
#endif
    auto found = roles().find(argv[2]);
    if (found == roles().end()) {
        status = 126;
        return true;
    }
    status = found->second(std::vector<std::string>(argv + 3, argv + argc));
    return true;
}

}  // namespace zrt::test
