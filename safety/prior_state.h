// What a key, value or file holds now, read through any platform (the
// machine itself, or the copy-on-write overlay's view of it), in the form a
// change record keeps it. Both the preview and the recording of a real run
// take the state before a change through these, so their records agree.
#pragma once

#include <string>
#include <string_view>

#include "platform/platform.h"
#include "safety/journal_record.h"

namespace zr::safety {

// "a\b" below `base`, split and joined as the ANSI calls split paths; ""
// stays the base itself.
std::string JoinKeyPath(std::string_view base, std::string_view sub, unsigned codePage);
// The lower-cased form two paths are compared in (files: '/' is a separator).
std::string FoldedKeyPath(std::string_view path, unsigned codePage);
std::string FoldedFilePath(std::string_view path, unsigned codePage);

// The key below HKLM and everything below it: change.keys (parents first,
// with the HKEY_LOCAL_MACHINE\ prefix) and change.values. False when the key
// cannot be opened.
bool CaptureKeyTree(IRegistry& registry, const std::string& keyPath, Change& change);
// False when the value (or its key) is not there.
bool ReadValueState(IRegistry& registry, const std::string& keyPath, std::string_view name, ValueState& out);
// False when there is no file of that name (`out` is then left empty).
bool ReadFileState(IFiles& files, std::string_view path, FileState& out);

}  // namespace zr::safety
