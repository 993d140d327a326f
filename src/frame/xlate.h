// Character translation between the interpreter's one-byte character set and the host's.
//
// Two process-wide 256-byte tables map a byte b to table[b]. They are the identity until a
// table is built from the translation file (at load and at Init), and whenever a build fails.
#pragma once

#include <array>
#include <cstdint>
#include <list>
#include <string>

#include "frame/codes.h"

namespace zrt {

using XlateTable = std::array<uint8_t, 256>;
extern XlateTable HostToAPL;
extern XlateTable APLToHost;

// n is a 16-bit count: at most 65535 bytes per call (n is taken modulo 65536).
void TranslateToAPL(void* bytes, uint32_t n);
void TranslateToHost(char* text);  // up to the first NUL
void TranslateToHostN(void* bytes, uint32_t n);

// A character-set name as the translation machinery holds it: at most 6 characters, padded
// with blanks to 6, then a NUL.
struct CharsetName {
    char text[7];
    static CharsetName of(const char* name);
    bool sameAs(const CharsetName& other) const;  // over 6 characters, ignoring case
};

struct XlateEntry {
    CharsetName source, target;
    uint8_t table[256];
};
// Built tables in order of creation; entries never move once made.
using XlateCache = std::list<XlateEntry>;

// The translation file in use: the registry's "APLUNICODE" value at load or Init.
void SetTranslationFile(const std::string& path);

// Finds or builds the table from the source set to the target set; table is null when the two
// names are equal (no translation needed).
[[nodiscard]] Code ReadXlate(const CharsetName& source, const CharsetName& target, XlateCache& cache,
               const uint8_t*& table);
[[nodiscard]] Code BuildXlateTable(XlateEntry& entry);
// The 256 numbers of a section; false when a key is missing (the section is unusable).
bool ReadXlateCodes(const char* section, int32_t out[256]);

// Reads the "Charsets" names of the translation file: DYALOG and HOST.
void ReadCharsetNames(CharsetName& dyalog, CharsetName& host);
const CharsetName& DyalogCharset();

// Copies a built table into one of the two tables, or makes it the identity for null.
void InstallTable(XlateTable& into, const uint8_t* table);

// The load-time build: both tables from the translation file named under the default key.
void InstallTablesAtLoad();

}  // namespace zrt
