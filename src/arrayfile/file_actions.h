// What Rename, Remove and Transpose do to an array file object and its disk file. Failures of
// the disk are logged under the array file category at level 3 and give 10039.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "frame/array.h"
#include "frame/codes.h"

namespace zrt {

struct ArrayFileObject;

// Moves the disk file to newPath, replacing any file there; the object then names the new
// path. A failed move leaves the object and both files as they were. A new path that names
// the file itself is refused (the file cannot be cleared out of its own way while held open).
[[nodiscard]] Code ActRenameFile(ArrayFileObject& file, const std::string& newPath);

// Deletes the disk file. The caller destroys the object on success; on failure it stays.
[[nodiscard]] Code ActRemoveFile(ArrayFileObject& file);

// The dimension map of an order vector: order item i is the position (from 0) that source
// dimension i takes in the new file, so target dimension map[v] comes from the source dimension
// i whose order item is v. 10001 unless the order holds exactly rank whole numbers that are a
// permutation of 0 to rank - 1.
[[nodiscard]] Code DimensionMap(const APLArray* order, uint32_t rank, std::vector<uint32_t>& map);

// Writes a new array file at newPath whose dimension v is the source's dimension map[v], with
// the source's records and every file item's values carried over cell for cell, and makes the
// target object that file: its path, header, structure (strides and lookup tables its own, as
// when the file is opened) and one file item per source file item. Both disk files are closed
// again on every path. The new file replaces any file at newPath, unless that file is held
// open (the source itself, or a file another process uses): then 10039 and nothing is written.
[[nodiscard]] Code ActTransposeFile(ArrayFileObject& source, ArrayFileObject& target, const std::string& newPath,
                      const std::vector<uint32_t>& map);

}  // namespace zrt
