// Registry export files (.reg) for the HKEY_LOCAL_MACHINE part of a machine
// image, in both formats:
// - "REGEDIT4": bytes in the image's code page; hex(2)/hex(7) data are
//   code-page bytes;
// - "Windows Registry Editor Version 5.00": UTF-16LE with a byte-order
//   mark (UTF-8 is read too); strings and hex(2)/hex(7)/hex(1) data are
//   UTF-16LE in the file and are held in the code page in the tree (what
//   the ANSI calls return).
// Value kinds: "string", dword:, hex:, hex(N): for any N (hex(2), hex(7)...),
// @ for the default value, "name"=- deletes a value, [-key] deletes a key,
// escapes \\ \" \n \r \0 inside strings, '\' line continuations, ';'
// comments. Keys outside HKEY_LOCAL_MACHINE are refused.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/sim/reg_tree.h"

namespace zr::sim {

enum class RegFormat { Regedit4, Version5 };

struct RegParseError {
  std::size_t line = 0;  // 1-based; 0 when the error is not tied to a line
  std::string message;   // English, names what is wrong
};

// Merges the file's content into `tree` (keys created, values set, deletions
// applied). `format` receives the format read. On error the tree may hold
// part of the file; callers parse into a fresh tree and swap on success.
bool ParseRegFile(const std::vector<std::uint8_t>& bytes, RegTree& tree, RegFormat& format, RegParseError& error);

// The whole tree in `format`, keys and values in the registry's own order;
// every key is written, also empty ones. A REG_SZ that does not read back
// exactly as a quoted string (no final zero, an inner zero, a control
// character, bytes that are no valid text) is written as hex(1), and every
// other kind as hex(N), so that a round trip keeps every byte of a tree
// that FitsRegFormat.
std::vector<std::uint8_t> WriteRegFile(const RegTree& tree, RegFormat format);

// True when WriteRegFile(tree, format) reads back as the same tree. A tree
// that ParseRegFile filled from nothing fits REGEDIT4, and one it filled from
// a version 5 file fits version 5. Otherwise a tree may hold what a file
// cannot carry: names with a zero, a line break or a '\', names or (for
// version 5, which carries text as UTF-16) string data that are no valid
// text in the code page, keys deeper than 512 levels. Such names are
// written as they are; such string data is written as the UTF-16 that the
// code page conversion gives for it (U+FFFD for a byte that is no
// character), which reads back as '?'.
bool FitsRegFormat(const RegTree& tree, RegFormat format);

}  // namespace zr::sim
