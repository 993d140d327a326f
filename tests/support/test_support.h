// What the tests share: fresh temporary directories, scoped working directory and environment,
// whole-file helpers, and child processes for behaviour between processes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zrt::test {

// A fresh, empty directory, removed with everything in it at the end of the scope.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    // path() + "/" + name
    std::string file(const std::string& name) const;

private:
    std::string path_;
};

// Changes the working directory for the scope (the log is written to the current directory).
class ScopedCwd {
public:
    explicit ScopedCwd(const std::string& directory);
    ~ScopedCwd();

private:
    std::string previous_;
};

// Sets (or, with unset, removes) an environment variable for the scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value, bool unset = false);
    ~ScopedEnv();

private:
    std::string name_, previous_;
    bool hadPrevious_;
};

// The environment variable that names the directory for temporary files.
#ifdef _WIN32
inline constexpr const char* kTemporaryDirectoryVariable = "TMP";
#else
inline constexpr const char* kTemporaryDirectoryVariable = "TMPDIR";
#endif

std::string readFile(const std::string& path);
// A text file as the C runtime's text mode reads it: on Windows a CR LF line end reads as LF,
// as the log, written in text mode, has them there.
std::string readTextFile(const std::string& path);
void writeFile(const std::string& path, const std::string& content);
bool exists(const std::string& path);

// What tests set up on files, the same way on every target.
// Read-only: no write permission for anyone (POSIX), the read-only attribute (Windows).
void makeReadOnly(const std::string& path);
// The last-write time, in seconds and nanoseconds since 1970 (UTC); Windows keeps 100 ns steps.
void setLastWriteTime(const std::string& path, int64_t seconds, uint32_t nanoseconds = 0);
int64_t lastWriteSeconds(const std::string& path);
// A pause of about that many microseconds (Windows: rounded down to milliseconds; 0 yields).
void pauseMicroseconds(unsigned microseconds);

// ---- Child processes ----------------------------------------------------------------------
// A test starts a copy of its own program in a named role; the role's function runs in the
// child instead of the tests and its result is the child's exit status.

using ChildMain = int (*)(const std::vector<std::string>& args);

struct ChildRole {
    ChildRole(const char* name, ChildMain main);
};

#define ZRT_CHILD_ROLE(name)                                                          \
    static int name##_child(const std::vector<std::string>& args);                    \
    static ::zrt::test::ChildRole name##_role(#name, &name##_child);                  \
    static int name##_child([[maybe_unused]] const std::vector<std::string>& args)

class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();  // kills a child that still runs
    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&& other) noexcept;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts this test program in the given role, in the current working directory.
    static ChildProcess start(const std::string& role, const std::vector<std::string>& args = {});

    bool started() const { return id_ != 0; }
    // Ends the child at once, as a crash would (SIGKILL; TerminateProcess on Windows).
    void kill();
    // Waits for the end; the exit status, or -1 when it was killed or could not be waited for.
    int wait();

private:
    intptr_t id_ = 0;
};

// Polls until the file exists; false after the timeout.
bool waitForFile(const std::string& path, int timeoutMs = 10000);

// Runs a child role when the program was started as a child; returns true when it did, with
// the exit status in status. Called by the test main before the tests.
bool runChildRole(int argc, char** argv, int& status);

}  // namespace zrt::test
