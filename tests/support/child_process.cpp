// Child processes for tests between processes: the test program starts a copy of itself with
// "--zrt-child <role> args...", and that copy runs the role instead of the tests.
#ifdef _WIN32
#error "child processes are not written for Windows yet (CreateProcess of the module's own path)"
#endif

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "support/test_support.h"

extern char** environ;

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

bool waitForFile(const std::string& path, int timeoutMs) {
    struct stat st;
    for (int waited = 0;; waited += 5) {
        if (stat(path.c_str(), &st) == 0) return true;
        if (waited >= timeoutMs) return false;
        struct timespec pause = {0, 5 * 1000 * 1000};
        nanosleep(&pause, nullptr);
    }
}

// An unknown role ends the child with 126, which no role returns by convention.
bool runChildRole(int argc, char** argv, int& status) {
    if (argc < 3 || std::strcmp(argv[1], kChildFlag) != 0) return false;
    auto found = roles().find(argv[2]);
    if (found == roles().end()) {
        status = 126;
        return true;
    }
    status = found->second(std::vector<std::string>(argv + 3, argv + argc));
    return true;
}

}  // namespace zrt::test
