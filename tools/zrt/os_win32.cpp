#if defined(_WIN32)

#include "os.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <io.h>

#include <cstdlib>
#include <iostream>

namespace zrt::host::os {

namespace {

// The system's message for its last error, without the line break it ends with.
std::string lastError() {
    DWORD code = GetLastError();
    char text[512] = {};
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             code, 0, text, sizeof text, nullptr);
    while (n > 0 && (text[n - 1] == '\n' || text[n - 1] == '\r' || text[n - 1] == ' ')) --n;
    return n ? std::string(text, n) : "error " + std::to_string(code);
}

// Classic handles are kernel handles cut to 32 bits, as _lopen gives them.
int32_t opened(HANDLE h, std::string& error) {
    if (h == INVALID_HANDLE_VALUE) {
        error = lastError();
        return -1;
    }
    return HandleToLong(h);
}

}  // namespace

int32_t openHandle(const std::string& path, uint32_t mode, std::string& error) {
    DWORD access = (mode & 3) == 1 ? GENERIC_WRITE
                   : (mode & 3) == 2 ? GENERIC_READ | GENERIC_WRITE
                                     : GENERIC_READ;
    return opened(CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr),
                  error);
}

int32_t createHandle(const std::string& path, std::string& error) {
    return opened(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr),
                  error);
}

int64_t readHandle(int32_t handle, uint32_t count, std::string& bytes, std::string& error) {
    bytes.assign(count, '\0');
    DWORD got = 0;
    if (!ReadFile(LongToHandle(handle), bytes.data(), count, &got, nullptr)) {
        error = lastError();
        bytes.clear();
        return -1;
    }
    bytes.resize(got);
    return got;
}

int64_t seekHandle(int32_t handle, int64_t offset, int origin, std::string& error) {
    DWORD method = origin == 1 ? FILE_CURRENT : origin == 2 ? FILE_END : FILE_BEGIN;
    LARGE_INTEGER distance, at;
    distance.QuadPart = offset;
    if (!SetFilePointerEx(LongToHandle(handle), distance, &at, method)) {
        error = lastError();
        return -1;
    }
    return at.QuadPart;
}

bool closeHandle(int32_t handle, std::string& error) {
    if (CloseHandle(LongToHandle(handle))) return true;
    error = lastError();
    return false;
}

bool setEnvironment(const std::string& name, const std::string& value, std::string& error) {
    if (_putenv_s(name.c_str(), value.c_str()) == 0) return true;
    error = "cannot set " + name;
    return false;
}

bool unsetEnvironment(const std::string& name, std::string& error) {
    if (_putenv_s(name.c_str(), "") == 0) return true;
    error = "cannot unset " + name;
    return false;
}

bool inputIsTerminal() { return _isatty(0) != 0; }

// The console keeps its own line editing and history (F7); the line is read plainly.
bool readLine(const std::string& prompt, std::string& line) {
    std::cout << prompt << std::flush;
    return static_cast<bool>(std::getline(std::cin, line));
}

std::string executablePath() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    return n > 0 && n < sizeof path ? std::string(path, n) : "";
}

namespace {

HANDLE handleOf(intptr_t h) { return reinterpret_cast<HANDLE>(h); }

void closeKernelHandle(intptr_t& h) {
    if (h == -1) return;
    CloseHandle(handleOf(h));
    h = -1;
}

}  // namespace

bool ChildProcess::start(const std::string& program, const std::vector<std::string>& args,
                         std::string& error) {
    end();
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    HANDLE inRead, inWrite, outRead, outWrite;
    if (!CreatePipe(&inRead, &inWrite, &inherited, 0)) {
        error = lastError();
        return false;
    }
    if (!CreatePipe(&outRead, &outWrite, &inherited, 0)) {
        error = lastError();
        CloseHandle(inRead);
        CloseHandle(inWrite);
        return false;
    }
    // Only the child's ends are inherited.
    SetHandleInformation(inWrite, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inRead;
    startup.hStdOutput = outWrite;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    std::string commandLine = "\"" + program + "\"";
    for (const std::string& a : args) commandLine += " " + a;
    PROCESS_INFORMATION started{};
    BOOL ok = CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0,
                             nullptr, nullptr, &startup, &started);
    if (!ok) error = lastError();
    CloseHandle(inRead);
    CloseHandle(outWrite);
    if (!ok) {
        CloseHandle(inWrite);
        CloseHandle(outRead);
        return false;
    }
    CloseHandle(started.hThread);
    process_ = reinterpret_cast<intptr_t>(started.hProcess);
    input_ = reinterpret_cast<intptr_t>(inWrite);
    output_ = reinterpret_cast<intptr_t>(outRead);
    return true;
}

bool ChildProcess::send(const std::string& text, std::string& error) {
    for (size_t done = 0; done < text.size();) {
        DWORD n = 0;
        if (!WriteFile(handleOf(input_), text.data() + done, DWORD(text.size() - done), &n,
                       nullptr)) {
            error = GetLastError() == ERROR_NO_DATA ? "has ended" : "failed: " + lastError();
            return false;
        }
        done += n;
    }
    return true;
}

// An anonymous pipe cannot be waited on with a time limit: what it holds is looked at every
// few milliseconds instead.
bool ChildProcess::receive(std::string& line, int timeoutMs, std::string& error) {
    const ULONGLONG deadline = GetTickCount64() + ULONGLONG(timeoutMs);
    for (;;) {
        size_t lineEnd = pending_.find('\n');
        if (lineEnd != std::string::npos) {
            line = pending_.substr(0, lineEnd);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            pending_.erase(0, lineEnd + 1);
            return true;
        }
        DWORD available = 0;
        if (!PeekNamedPipe(handleOf(output_), nullptr, 0, nullptr, &available, nullptr)) {
            error = GetLastError() == ERROR_BROKEN_PIPE ? "has ended" : "failed: " + lastError();
            return false;
        }
        if (available == 0) {
            if (GetTickCount64() >= deadline) {
                error = "printed no whole line for " + std::to_string(timeoutMs / 1000) +
                        " seconds";
                return false;
            }
            Sleep(5);
            continue;
        }
        char bytes[4096];
        DWORD got = 0;
        if (!ReadFile(handleOf(output_), bytes, available < sizeof bytes ? available : sizeof bytes,
                      &got, nullptr)) {
            error = "failed: " + lastError();
            return false;
        }
        pending_.append(bytes, got);
    }
}

int ChildProcess::end() {
    if (process_ == kNone) return -1;
    closeKernelHandle(input_);
    HANDLE process = handleOf(process_);
    DWORD status = DWORD(-1);
    if (WaitForSingleObject(process, 2000) != WAIT_OBJECT_0) {
        TerminateProcess(process, DWORD(-1));
        WaitForSingleObject(process, INFINITE);
    } else if (!GetExitCodeProcess(process, &status)) {
        status = DWORD(-1);
    }
    closeKernelHandle(process_);
    closeKernelHandle(output_);
    pending_.clear();
    return int(status);
}

}  // namespace zrt::host::os

#endif
