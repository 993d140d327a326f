// Return codes: unsigned 32-bit numbers, 0 for success. The names say what went wrong; the
// numbers are fixed because APL code tests them.
#pragma once

#include <cstdint>

namespace zrt {

using Code = uint32_t;

enum : Code {
    kOk = 0,
    kRange = 10001,         // index or length out of range
    kNotVector = 10002,     // an argument that must be a vector is not
    kNoSuchExport = 10003,  // XC: no array export of that name
    kBadType = 10004,       // argument of the wrong type or form
    kNoVersion = 10005,     // the system refused its version information
    kNoRoot = 10006,        // Init has not been called
    kNoParent = 10007,      // the parent path of a dotted name does not exist
    kWrongKind = 10008,     // the object is of another kind
    kExists = 10009,        // the object to be created exists
    kNotFound = 10010,      // no object of that name
    kRootExists = 10011,    // a repeated Init
    kNoMemory = 10012,      // out of memory
    kUnsuited = 10015,      // the objects do not suit the operation
    kBadName = 10023,       // empty or malformed object name
    kNoDefaultChar = 10036, // a character set without "DefaultChar"
    kFileError = 10039,     // a file failure, or a fault while cells were touched
    kBadParent = 10040,     // New: that kind cannot be made under that parent
    kBadKind = 10041,       // New: no valid kind
    kEndOfFile = 10050,     // nothing left to read from the caller's handle
};

}  // namespace zrt
