// Which mounts keep byte-range locks between machines.
#pragma once

#include <string>

namespace platform::posix {

// Whether the mount that a line of /proc/self/mountinfo describes keeps byte-range locks on this
// machine only: NFS without the lock protocol (nolock, local_lock=posix or all), SMB with nobrl,
// and SSHFS, which forwards no locks.
bool locksStayLocal(const std::string& mountInfoLine);

}  // namespace platform::posix
