// Rename and Remove: moving and deleting the disk file of an array file object.
#include "arrayfile/file_actions.h"

#include "arrayfile/arguments.h"
#include "arrayfile/objects.h"
#include "frame/export_bodies.h"
#include "frame/log.h"
#include "frame/result.h"
#include "zrt32.h"

namespace zrt {

Code ActRenameFile(ArrayFileObject& file, const std::string& newPath) {
    using namespace platform;
    DropView(file);
    {
        // The file is held open while the new path is cleared: should the new path name the
        // file itself, the delete then fails (an open file cannot be deleted) and the move
        // below leaves it where it is, instead of the file being deleted out from under its
        // own rename. A file that cannot be opened is not cleared for: the move fails anyway.
        File held;
        if (File::open(file.path, kRead, kShareReadWrite, Disposition::OpenExisting, held) == kOk)
            deleteFile(newPath);  // a file that stays is reported by the move
    }
    if (SysError e = moveFile(file.path, newPath)) {
        if (LogEnabled(0, kLogArrayFiles, 3))
            LogPrintf("ActRenameFile: MoveFile res %u old %s new %s", e, file.path.c_str(),
                      newPath.c_str());
        return kFileError;
    }
    file.path = newPath;
    return kOk;
}

Code ActRemoveFile(ArrayFileObject& file) {
    DropView(file);  // a kept mapping would keep the removed file's blocks in use
    if (platform::SysError e = platform::deleteFile(file.path)) {
        if (LogEnabled(0, kLogArrayFiles, 3))
            LogPrintf("ActRemoveFile: DeleteFile res %u name %s", e, file.path.c_str());
        return kFileError;
    }
    file.file.close();
    return kOk;
}

namespace {

Code arrayFileNamed(const APLArray* arg, ArrayFileObject*& file) {
    std::string name;
    if (Code c = NameOf(arg, 0, name)) return c;
    return LocateAs(name.c_str(), file);
}

}  // namespace

Result body::Rename(const APLArray* arg) {
    ArrayFileObject* file;
    if (Code c = arrayFileNamed(arg, file)) return c;
    std::string newPath;
    if (Code c = TextOf(arg, 1, newPath)) return c;  // missing: 10001
    return ActRenameFile(*file, newPath);
}

Result body::Remove(const APLArray* arg) {
    ArrayFileObject* file;
    if (Code c = arrayFileNamed(arg, file)) return c;
    if (Code c = ActRemoveFile(*file)) return c;
    DestroyObject(file);
    return kOk;
}

}  // namespace zrt
