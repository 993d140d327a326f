// The operating system's version and the folder dialog.
#include <fcntl.h>
#include <spawn.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/descriptor.h"
#include "platform/posix/errors.h"

extern char** environ;

namespace platform {

namespace {

// The numbers of a kernel release such as "6.1.0-18-amd64", in order; missing ones stay 0.
void releaseNumbers(const char* release, uint32_t* numbers, int count) {
    const char* p = release;
    for (int k = 0; k < count; ++k) {
        if (*p < '0' || *p > '9') return;
        uint32_t n = 0;
        for (; *p >= '0' && *p <= '9'; ++p)
            if (n < 100000000) n = n * 10 + static_cast<uint32_t>(*p - '0');
        numbers[k] = n;
        if (*p != '.') return;
        ++p;
    }
}

bool hasDesktop() {
    const char* x = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x && *x) || (wayland && *wayland);
}

// Runs argv (looked up in PATH) with its standard output read back; false when it could not
// run or did not exit with 0.
bool runForOutput(const std::vector<std::string>& args, std::string& output) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) return false;
    posix::Descriptor readEnd(ends[0]), writeEnd(ends[1]);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, writeEnd.get(), 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    writeEnd.reset();
    if (spawned != 0) return false;
    char buffer[4096];
    for (;;) {
        ssize_t n = ::read(readEnd.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        output.append(buffer, static_cast<size_t>(n));
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

// platformId 2 is what the NT family reports; major, minor and build are the first three
// numbers of the kernel release.
SysError osVersion(OsVersion& out) {
    out = OsVersion{};
    struct utsname names;
    if (uname(&names) != 0) return posix::lastSysError();
    uint32_t numbers[3] = {0, 0, 0};
    releaseNumbers(names.release, numbers, 3);
    out.platformId = 2;
    out.major = numbers[0];
    out.minor = numbers[1];
    out.build = numbers[2];
    return kOk;
}

// With a desktop the dialog is zenity's, when it is installed; its arguments go to it
// directly, never through a shell.
int browseFolder(const char* title, const char* startFolder, char* buffer, uint32_t size) {
    if (!buffer || size == 0 || !hasDesktop()) return 0;
    std::vector<std::string> args = {"zenity", "--file-selection", "--directory"};
    if (title && *title) args.push_back(std::string("--title=") + title);
    if (startFolder && *startFolder) args.push_back(std::string("--filename=") + startFolder + "/");
    std::string chosen;
    if (!runForOutput(args, chosen)) return 0;
    while (!chosen.empty() && (chosen.back() == '\n' || chosen.back() == '\r')) chosen.pop_back();
    if (chosen.empty() || chosen.size() + 1 > size) return 0;
    std::memcpy(buffer, chosen.c_str(), chosen.size() + 1);
    return 1;
}

}  // namespace platform
