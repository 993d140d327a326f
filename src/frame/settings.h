// Configuration: registry values under a base key (sections Main and MEMORY, the current user
// first, then the machine), read by Init for the frame and by each subsystem for its own.
#pragma once

#include <cstdint>
#include <string>

#include "frame/codes.h"

namespace zrt {

struct RootObject;

extern const char* const kDefaultRegistryBase;

// Buffer size for every setting read from the registry; a longer value counts as missing.
constexpr uint32_t kSettingSize = 260;

// Reads the string value key of base\section into buffer, or the default (cut to size - 1)
// when neither hive has it. Returns the length of the text in buffer.
uint32_t ReadSetting(const char* section, const char* key, const char* defaultValue,
                     char* buffer, uint32_t size, const char* base);

// A registry setting of base as a number (ParseSettingNumber) or as text.
uint32_t NumberSetting(const char* section, const char* key, const char* defaultValue,
                       const char* base);
std::string TextSetting(const char* section, const char* key, const char* defaultValue,
                        const char* base);

// Init reads the frame's settings first (the initialisation file's name, the translation
// tables, rebuilt), then each subsystem reads its own, then the debug mask is set last.
[[nodiscard]] Code ReadSettings(RootObject& root);
void ReadDebugSetting(const RootObject& root);

// A setting's number: "0x" hexadecimal, a leading 0 octal, else decimal; leading blanks and a
// sign accepted; conversion stops at the first character that does not fit; no number gives 0.
uint32_t ParseSettingNumber(const char* text);

}  // namespace zrt
