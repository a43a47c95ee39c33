// What the .reg reader and writer share: the fixed words of the format and
// the way text sits in a file of either format.
//
// Both directions work on "file text": code-page bytes for REGEDIT4, UTF-8
// for version 5. The reader turns a UTF-16 file into UTF-8 before parsing and
// the writer turns its UTF-8 into UTF-16 at the end, so one grammar serves
// both formats and every structural character is plain ASCII.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sim/reg_file.h"

namespace zr::sim::regfile {

inline constexpr std::string_view kHeaderRegedit4 = "REGEDIT4";
inline constexpr std::string_view kHeaderVersion5 = "Windows Registry Editor Version 5.00";
inline constexpr std::string_view kRootName = "HKEY_LOCAL_MACHINE";

// Windows refuses key paths deeper than this; the limit also bounds every
// walk over a tree that came from a file.
inline constexpr std::size_t kMaxKeyDepth = 512;

// Types whose data the ANSI calls convert between UTF-16 and the code page.
bool HoldsText(std::uint32_t type);

// True when code-page text reads back byte for byte after a trip through
// UTF-16: every byte sequence is valid and in its canonical form. Only such
// text can be carried by a version 5 file, and only such names get a fold
// key of their own.
bool RoundTripsUtf16(std::string_view text, unsigned codePage);

// UTF-16LE bytes, as a version 5 file holds them; an odd last byte is no
// whole character and is left out.
std::u16string Utf16FromLe(const std::uint8_t* bytes, std::size_t size);
void AppendUtf16Le(std::u16string_view text, std::vector<std::uint8_t>& bytes);

class RegDialect {
 public:
  RegDialect(RegFormat format, unsigned codePage) : format_(format), codePage_(codePage) {}

  RegFormat Format() const { return format_; }
  unsigned CodePage() const { return codePage_; }

  // Bytes the character at `pos` takes. In a double-byte code page a lead
  // byte owns the byte after it when that byte can be a trail byte; every
  // trail byte of 932, 936, 949 and 950 is 0x40 or above, so a quote, a line
  // break or a control character never hides in a pair, while '\' and ']'
  // can.
  std::size_t CharLength(std::string_view text, std::size_t pos) const;

  std::string ToCodePage(std::string_view fileText) const;
  std::string FromCodePage(std::string_view codePageText) const;

  // Width of file text in the units regedit counts when it wraps hex lists:
  // UTF-16 code units for version 5, bytes for REGEDIT4.
  std::size_t Columns(std::string_view fileText) const;

  // hex(1)/hex(2)/hex(7) data: the bytes written in the file for code-page
  // data, and back. Version 5 carries them as UTF-16LE.
  std::vector<std::uint8_t> TextDataToFile(const std::vector<std::uint8_t>& codePageData) const;
  std::vector<std::uint8_t> TextDataFromFile(const std::vector<std::uint8_t>& fileData) const;

 private:
  RegFormat format_;
  unsigned codePage_;
};

// File text made fit for an error message: UTF-8, control characters as
// \xNN, cut after a few dozen characters.
std::string ShowText(const RegDialect& dialect, std::string_view fileText);

}  // namespace zr::sim::regfile
