// The first step of reading a .reg file: its encoding and header.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/sim/reg_file.h"

namespace zr::sim::regfile {

struct DecodedRegFile {
  RegFormat format = RegFormat::Regedit4;
  // File text (code-page bytes for REGEDIT4, UTF-8 for version 5) with the
  // header still on line 1, so that line numbers count the file's lines.
  std::string text;
};

// Accepts a REGEDIT4 file in the code page, and a version 5 file in UTF-16LE
// with its byte-order mark or in UTF-8 (with or without a mark).
bool DecodeRegFile(const std::vector<std::uint8_t>& bytes, unsigned codePage, DecodedRegFile& decoded,
                   RegParseError& error);

}  // namespace zr::sim::regfile
