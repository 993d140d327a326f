// The users file: one 1044-byte record per user slot, saying which user and which process holds
// the slot. Logged-in processes keep it open, shared for reading and writing, and read and write
// its records without any lock; each writes only its own slot's record, except for clean-ups.
#pragma once

#include <cstdint>
#include <string>

#include "frame/codes.h"
#include "locking/formats.h"
#include "platform/platform.h"

namespace zrt {

struct RootObject;

// More slots than the five digits of the per-user file names can number are refused.
constexpr uint32_t kMaxSlots = 99999;

// The directory of the per-user files: the users-file path up to and including its last
// separator ('\\' or '/'); empty (the current directory) when there is none, or when the only
// one is the first character.
std::string UsersDirectory(const std::string& usersPath);

// Whether the directory of the users file keeps the byte-range locks that logins rest on
// (10117 when it does not).
[[nodiscard]] Code CheckFileLocks(const std::string& usersDirectory);

// Creates the file with maxUsers free records (share none), then closes it.
[[nodiscard]] Code CreateUserFile(const std::string& path, uint32_t maxUsers);
// Opens the file shared for reading and writing, creating it when it does not open; the size
// must be maxUsers records (10104). On failure file is left closed. 10117 when the file system
// refuses the locks of the open.
[[nodiscard]] Code OpenUserFile(const std::string& path, uint32_t maxUsers, platform::File& file);
void CloseUserFile(platform::File& file);

// The caller's own record: the record of the slot of its login, while it holds that slot's
// per-user file and the record carries its process id. slot is -1 when there is none.
// 10102 when the users file is not open.
[[nodiscard]] Code FindOneSelf(RootObject& root, UserBytes& record, int32_t& slot);
// Stamps the slot's last-activity time.
[[nodiscard]] Code TouchUser(RootObject& root, int32_t slot);

// The current time as the 32-bit count of seconds that the records hold.
uint32_t RecordTime();

}  // namespace zrt
