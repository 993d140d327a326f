// checkFileLocks: the mount of a directory, found in /proc/self/mountinfo by its device number,
// and its file-system type and options. A mount that the table does not show, or a directory
// that cannot be examined, is taken to keep its locks: the opens themselves then report what
// goes wrong.
#include "platform/posix/file_locks.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "platform/platform.h"

namespace platform::posix {

namespace {

// The comma-separated options of one or more lists.
bool hasOption(const std::string& options, const std::string& wanted) {
    std::istringstream in(options);
    for (std::string option; std::getline(in, option, ',');)
        if (option == wanted) return true;
    return false;
}

}  // namespace

// "36 35 98:0 /root /mnt rw,noatime master:1 - nfs server:/x rw,vers=3,nolock": the mount
// options are the sixth field, the type and the file system's own options follow the " - ".
bool locksStayLocal(const std::string& line) {
    size_t dash = line.find(" - ");
    if (dash == std::string::npos) return false;
    std::istringstream head(line.substr(0, dash)), tail(line.substr(dash + 3));
    std::vector<std::string> fields;
    for (std::string f; head >> f;) fields.push_back(f);
    std::string type, source, superOptions;
    tail >> type >> source >> superOptions;
    const std::string options = (fields.size() > 5 ? fields[5] : "") + "," + superOptions;
    if (type == "nfs" || type == "nfs4")
        return hasOption(options, "nolock") || hasOption(options, "local_lock=posix") ||
               hasOption(options, "local_lock=all");
    if (type == "cifs" || type == "smb3") return hasOption(options, "nobrl");
    return type == "fuse.sshfs";
}

}  // namespace platform::posix

namespace platform {

SysError checkFileLocks(const std::string& directory) {
    struct stat st;
    if (stat(directory.empty() ? "." : directory.c_str(), &st) != 0) return kOk;
    const std::string device =
        std::to_string(major(st.st_dev)) + ":" + std::to_string(minor(st.st_dev));
    std::ifstream table("/proc/self/mountinfo");
    bool local = false;
    // Of several mounts of one device the last counts: it is the one on top.
    for (std::string line; std::getline(table, line);) {
        std::istringstream fields(line);
        std::string id, parent, numbers;
        if (fields >> id >> parent >> numbers && numbers == device)
            local = posix::locksStayLocal(line);
    }
    return local ? kNotSupported : kOk;
}

}  // namespace platform
