// What the host needs from the operating system beyond the C++ library: the classic file
// handles that some exports read from (file descriptors on POSIX), the environment, and whether
// input comes from a terminal. The only place in the host that includes system headers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zrt::host::os {

// Each returns -1 (or false) on failure and then sets error to the system's message. Handles
// are numbered from 100 up, the same in every build.
// mode as the classic open takes it: 0 read, 1 write, 2 read and write (share bits ignored).
int32_t openHandle(const std::string& path, uint32_t mode, std::string& error);
// Creates or empties the file, open for reading and writing.
int32_t createHandle(const std::string& path, std::string& error);
// Up to count bytes from the current position into bytes; the number read.
int64_t readHandle(int32_t handle, uint32_t count, std::string& bytes, std::string& error);
// origin 0 start, 1 current position, 2 end; the new position.
int64_t seekHandle(int32_t handle, int64_t offset, int origin, std::string& error);
bool closeHandle(int32_t handle, std::string& error);

bool setEnvironment(const std::string& name, const std::string& value, std::string& error);
bool unsetEnvironment(const std::string& name, std::string& error);

bool inputIsTerminal();

// One line typed at the terminal after the prompt, without its line end; false at the end of
// input. With line editing built in (libedit or readline), the line can be edited and earlier
// lines recalled; they are kept in ~/.zrt_history between sessions.
bool readLine(const std::string& prompt, std::string& line);

// The full path of the running program, or "" where the system does not say.
std::string executablePath();

// A program started with its input and output on pipes, its errors on ours, in our working
// directory and environment as they are when it starts. It is ended (its input closed, then
// killed if it does not end) when the object goes.
class ChildProcess {
public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess() { end(); }

    bool start(const std::string& program, const std::vector<std::string>& args,
               std::string& error);
    bool running() const { return process_ != kNone; }
    // Writes the text to its input. (send and receive word their errors to follow "the
    // process": "has ended", "failed: ...".)
    bool send(const std::string& text, std::string& error);
    // The next line it prints, without its line end. False when it ended or printed no whole
    // line for timeoutMs milliseconds.
    bool receive(std::string& line, int timeoutMs, std::string& error);
    // Closes its input and waits up to two seconds for it to end, then kills it; its exit
    // status, or -1 when it was killed or had not been started.
    int end();

private:
    static constexpr intptr_t kNone = -1;
    intptr_t process_ = kNone, input_ = kNone, output_ = kNone;
    std::string pending_;  // what it printed beyond the last line received
};

}  // namespace zrt::host::os
