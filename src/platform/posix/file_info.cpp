#include "platform/posix/file_info.h"

namespace platform::posix {

// Hidden stands for a leading dot; "." and ".." are the directory entries every directory
// has, which Windows shows as plain directories. Read-only stands for a file its owner cannot
// write. Regular files carry the archive bit, as freshly written files do on Windows; what is
// neither a file nor a directory (devices, pipes, sockets) is marked system, which keeps it
// out of plain listings.
uint32_t attributesOf(const std::string& name, const struct stat& st) {
    uint32_t a = 0;
    if (S_ISDIR(st.st_mode)) a |= kAttrDirectory;
    else if (S_ISREG(st.st_mode)) a |= kAttrArchive;
    else a |= kAttrSystem;
    if (!name.empty() && name[0] == '.' && name != "." && name != "..") a |= kAttrHidden;
    if (!(st.st_mode & S_IWUSR)) a |= kAttrReadOnly;
    return a == 0 ? kAttrNormal : a;
}

std::string lastComponent(const std::string& path) {
    size_t end = path.find_last_not_of('/');
    if (end == std::string::npos) return path.empty() ? "" : "/";
    size_t slash = path.rfind('/', end);
    size_t start = slash == std::string::npos ? 0 : slash + 1;
    return path.substr(start, end + 1 - start);
}

SystemTime systemTimeOf(const struct timespec& time) {
    struct tm t {};
    time_t seconds = time.tv_sec;
    gmtime_r(&seconds, &t);
    SystemTime s{};
    s.year = static_cast<uint16_t>(t.tm_year + 1900);
    s.month = static_cast<uint16_t>(t.tm_mon + 1);
    s.dayOfWeek = static_cast<uint16_t>(t.tm_wday);
    s.day = static_cast<uint16_t>(t.tm_mday);
    s.hour = static_cast<uint16_t>(t.tm_hour);
    s.minute = static_cast<uint16_t>(t.tm_min);
    s.second = static_cast<uint16_t>(t.tm_sec);
    s.milliseconds = static_cast<uint16_t>(time.tv_nsec / 1000000);
    return s;
}

}  // namespace platform::posix
