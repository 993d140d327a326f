// Result codes of legacy locking. The numbers are fixed: APL code tests them.
#pragma once

#include "frame/codes.h"

namespace zrt {

enum : Code {
    kUsersFileOpen = 10100,    // the users file does not open, even after creating it
    kCannotCreate = 10101,     // the users file or a lock file cannot be created
    kShortRead = 10102,        // a record cannot be read in full; the users file is not open
    kShortWrite = 10103,       // a record or a process id cannot be written in full
    kBadFileSize = 10104,      // size unknown, not whole records, or not MaxUsers records
    kCannotSeek = 10105,       // a file cannot be positioned
    kSlotHeld = 10106,         // the per-user file is held elsewhere, or one is held already
    kNoUserFile = 10107,       // no per-user file is held, or it cannot be closed
    kUserAlive = 10108,        // a live user's locks may not be released without force
    kNotLoggedIn = 10109,      // the caller is not logged in
    kAlreadyLoggedIn = 10110,  // the caller is logged in already
    kConflict = 10111,         // the lock conflicts with one of a live user or of the caller
    kNoFreeSlot = 10112,       // every user slot is taken
    kLockFileOpen = 10113,     // a lock file cannot be opened
    kUserFileOpen = 10114,     // opening a per-user file failed unexpectedly
    kLockFileClose = 10115,    // a lock file cannot be closed
    kLoginLost = 10116,        // the caller's per-user file no longer holds its process id
    kNoFileLocks = 10117,      // the file system of the users file keeps no byte-range locks
};

}  // namespace zrt
