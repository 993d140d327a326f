// Windows share modes on POSIX: opens that honour the access and share modes of every other
// open of the same file, and deletes and moves that refuse a file someone holds open.
#pragma once

#include <functional>
#include <string>

#include "platform/platform.h"

namespace platform::posix {

// Opens path with access (kRead, kWrite or both), share and disposition; the descriptor,
// close-on-exec, in fd. A conflict with another open of the file fails with kSharingViolation.
[[nodiscard]] SysError openShared(const std::string& path, uint32_t access, uint32_t share,
                    Disposition disposition, int& fd);

// Runs action (a delete or a move of path) when no open of the file at path exists, while no
// new one can start; kSharingViolation when the file is open.
[[nodiscard]] SysError whenNotOpen(const std::string& path, const std::function<SysError()>& action);

}  // namespace platform::posix
