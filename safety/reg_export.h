// restore.reg: what regedit needs to put deleted keys and values and the
// earlier contents of changed values back. REGEDIT4 in the system code page
// for Windows 98/Me, "Windows Registry Editor Version 5.00" in UTF-16LE with
// a byte-order mark for 2000/XP; CRLF line ends, long hex data wrapped as
// regedit wraps it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "safety/journal_record.h"

namespace zr::safety {

class RegExport {
 public:
  RegExport(unsigned codePage, bool unicode) : codePage_(codePage), unicode_(unicode) {}

  // The first bytes of the file.
  std::string Header() const;
  // "[key]" and its values, ready to append. `key` carries the
  // HKEY_LOCAL_MACHINE\ prefix.
  std::string Section(std::string_view key, const std::vector<const ValueState*>& values) const;

 private:
  // Code-page bytes as the file's encoding holds them.
  std::string Encode(std::string_view bytes) const;
  std::string ValueLine(const ValueState& value) const;

  unsigned codePage_;
  bool unicode_;
};

}  // namespace zr::safety
