#include "arrayfile/array_file.h"

#include "arrayfile/arguments.h"
#include "arrayfile/file_layer.h"
#include "arrayfile/item_flags.h"
#include "arrayfile/objects.h"
#include "frame/log.h"

namespace zrt {

namespace {

constexpr uint32_t kFileItemFlags = kInFile | kDoubleCells;

void logCreateFailure(const char* routine, platform::SysError e, const std::string& path) {
    if (LogEnabled(0, kLogArrayFiles, 3))
        LogPrintf("%s: CreateFile res %u name %s", routine, e, path.c_str());
}

}  // namespace

Code ItemNamesOf(const APLArray* names, std::vector<std::string>& out) {
    if (!names) return kOk;
    if (typeOf(names) == kChar) {
        std::string name;
        if (Code c = TextOf(names, 0, name)) return c;
        out.push_back(name);
    } else if (typeOf(names) == kNested) {
        for (uint32_t k = 0, n = cellCount(names); k < n; ++k) {
            const APLArray* item = slotAt(names, k);
            std::string name;
            if (!item || typeOf(item) != kChar || TextOf(item, 0, name) != kOk) return kBadType;
            out.push_back(name);
        }
    }
    return kOk;
}

Code ActCreateFile(ArrayFileObject& file, const std::string& path, const APLArray* selection,
                   const APLArray* fileDescriptor, const APLArray* dimDescriptors,
                   const APLArray* itemNames, uint32_t slack) {
    file.path = path;
    file.auditStamp = 0;
    std::vector<std::string> names;
    if (Code c = ItemNamesOf(itemNames, names)) return c;
    MakeItem(&file, "Data", kFileItemFlags);
    for (const std::string& name : names) MakeItem(&file, name, kFileItemFlags);
    if (Code c = BuildFromSelection(selection, nullptr, file.structure, slack, false)) return c;
    FilePlan plan;
    if (Code c = PlanFileCreate(file, fileDescriptor, dimDescriptors, plan)) return c;

    using namespace platform;
    if (SysError e = File::open(path, kReadWrite, kShareReadWrite, Disposition::CreateAlways,
                                file.file)) {
        logCreateFailure("ActCreateFile", e, path);
        return kFileError;
    }
    Code code = FileCreate(file, plan);
    if (file.file.close() != platform::kOk && code == kOk) code = kFileError;
    if (code == kFileError) deleteFile(path);  // closed first: an open file cannot be deleted
    return code;
}

Code ActOpenFile(ArrayFileObject& file, const std::string& path) {
    file.path = path;
    using namespace platform;
    if (SysError e = File::open(path, kReadWrite, kShareReadWrite, Disposition::OpenExisting,
                                file.file)) {
        logCreateFailure("ActOpenFile", e, path);
        return kFileError;
    }
    Code code = FileOpen(file);
    file.file.close();
    return code;
}

}  // namespace zrt
