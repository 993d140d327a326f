// What Windows reports about a file, computed from POSIX file status.
#pragma once

#include <sys/stat.h>

#include <ctime>
#include <string>

#include "platform/platform.h"

namespace platform::posix {

// The Windows attribute bits of a file called name (its last path component) with status st.
uint32_t attributesOf(const std::string& name, const struct stat& st);

// The last component of path, trailing slashes ignored.
std::string lastComponent(const std::string& path);

// A time as UTC calendar fields.
SystemTime systemTimeOf(const struct timespec& time);

}  // namespace platform::posix
