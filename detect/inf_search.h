// Whether an INF file names a text: the whole file is read; text that the
// system takes for UTF-16LE is searched for the pattern widened to UTF-16LE,
// byte for byte at every byte offset; other text is searched for the
// pattern's bytes with the letters A to Z matched without regard to case.
// An occurrence that ends with the file's last byte counts.
#pragma once

#include <string_view>

#include "platform/files.h"

namespace zr {

bool InfNamesText(IFiles& files, std::string_view path, std::string_view pattern);

// CreateFileA(path, 0, 0, OPEN_EXISTING) opens: a file of that name exists.
bool FileExists(IFiles& files, std::string_view path);

}  // namespace zr
