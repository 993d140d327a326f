#include "locking/conflicts.h"

#include <cstdio>

#include "frame/log.h"

namespace zrt {

uint32_t LockFileNo(const char* name, int32_t library, int32_t dt) {
    char text[80];
    std::snprintf(text, sizeof text, "%s_%ld_%ld", name, long(library), long(dt));
    uint32_t number = Crc16Key(text) * 20 / 65535;
    return number > 19 ? 19 : number;
}

namespace {

// A mode's uses moved to the places of its denials, and the other way round.
uint32_t swapped(uint32_t mode) { return ((mode >> 2) & 3) | ((mode & 3) << 2); }

}  // namespace

bool NLDConflicts(const LockEntry& a, const LockEntry& b) {
    return a.library == b.library && a.dt == b.dt && a.name == b.name &&
           (a.mode & swapped(b.mode)) != 0;
}

int32_t CheckNLDConflict(const std::vector<LockEntry>& records, const LockEntry& request,
                         LockEntry& conflict, std::vector<bool>& free) {
    if (LogEnabled(0, kLogLocking, 5)) LogMessage("CheckNLDConflict");
    free.assign(records.size(), false);
    int32_t found = -1;
    for (size_t i = 0; i < records.size(); ++i) {
        free[i] = records[i].isFree();
        if (!free[i] && NLDConflicts(request, records[i])) {
            conflict = records[i];
            found = static_cast<int32_t>(i);
            break;
        }
    }
    if (LogEnabled(0, kLogLocking, 4)) LogValue("CheckNLDConflict", found);
    return found;
}

uint32_t FindFreeLock(const std::vector<bool>& free) {
    for (size_t i = 0; i < free.size(); ++i)
        if (free[i]) return static_cast<uint32_t>(i);
    return static_cast<uint32_t>(free.size());
}

}  // namespace zrt
