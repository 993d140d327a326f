// A mistake in what the script asked for: a bad literal, a wrong argument, a failed command.
// The host reports it in one line, with the column of the line where it was found, and goes
// on with the next line.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace zrt::host {

class HostError : public std::runtime_error {
public:
    // column counts characters from 1; 0 when the mistake has no place in the line.
    HostError(uint32_t column, const std::string& message)
        : std::runtime_error(message), column_(column) {}
    explicit HostError(const std::string& message) : HostError(0, message) {}

    uint32_t column() const { return column_; }

private:
    uint32_t column_;
};

// A line that failed where its message has been printed already (by the second process of
// ]other): it counts as not run, and nothing more is printed.
class ReportedFailure : public std::exception {};

}  // namespace zrt::host
