// Creating and opening the disk file of an array file object. The disk file is open only while
// one of these runs; the object keeps its path, structure, header block and items.
#pragma once

#include <string>
#include <vector>

#include "frame/array.h"
#include "frame/codes.h"

namespace zrt {

struct ArrayFileObject;

// The new items of a created file beside "Data": a character vector names one, a nested
// vector one per element (each must be text, else 10004); anything else names none.
[[nodiscard]] Code ItemNamesOf(const APLArray* names, std::vector<std::string>& out);

// Makes the items ("Data" first, then the named ones), the structure from the selection (no
// template, the root's slack, ids unchecked) and the plan of the file; only then creates the
// disk file, replacing any file there, and writes it. Bad arguments leave the disk untouched;
// a failed create or write (10039) leaves no file behind.
[[nodiscard]] Code ActCreateFile(ArrayFileObject& file, const std::string& path, const APLArray* selection,
                   const APLArray* fileDescriptor, const APLArray* dimDescriptors,
                   const APLArray* itemNames, uint32_t slack);

// Opens the existing disk file, reads it into the object (FileOpen) and closes it again.
[[nodiscard]] Code ActOpenFile(ArrayFileObject& file, const std::string& path);

}  // namespace zrt
