// The statistical UTF-16 test that the INF search relies on. Windows looks at
// the first 256 code units only, ignores a final zero byte, and calls a
// buffer Unicode when a "Unicode" test passes and no "reversed" or
// "not Unicode" test does.
#include <cstdint>

#include "platform/sim/sim_files.h"
#include "platform/win_codes.h"

namespace zr::sim {
namespace {

constexpr int kUnicodeMask = 0x000F;
constexpr int kReverseMask = 0x00F0;
constexpr int kNotUnicodeMask = 0x0F00;
constexpr int kNotAsciiMask = 0xF000;

// Code 0 is in both lists on purpose: the system's own test finds it there,
// which is why a buffer of zeros counts as having control characters.
bool IsControl(char16_t unit) {
  return unit == u'\r' || unit == u'\n' || unit == u'\t' || unit == u' ' || unit == 0x3000 || unit == 0;
}
bool IsReversedControl(char16_t unit) {
  return unit == 0x0D00 || unit == 0x0A00 || unit == 0x0900 || unit == 0x2000 || unit == 0;
}

}  // namespace

bool LooksLikeUtf16(const std::uint8_t* bytes, std::size_t size, int* flags) {
  if (bytes == nullptr || size < 2) {
    if (flags != nullptr) *flags = 0;
    return false;
  }
  const int wanted = flags != nullptr ? *flags : ~0;
  int found = 0;
  if (size & 1) found |= win::kTextUnicodeOddLength;
  std::size_t length = size;
  if (bytes[length - 1] == 0) --length;
  std::size_t units = length / 2;
  if (units > 256) units = 256;
  auto unit = [bytes](std::size_t i) { return static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8)); };

  if (units > 0 && unit(0) == 0xFEFF) found |= win::kTextUnicodeSignature;
  if (units > 0 && unit(0) == 0xFFFE) found |= win::kTextUnicodeReverseSignature;
  if (wanted & win::kTextUnicodeStatistics) {
    std::size_t narrow = 0;
    for (std::size_t i = 0; i < units; ++i) narrow += unit(i) <= 0xFF;
    if (narrow > units / 2) found |= win::kTextUnicodeStatistics;
  }
  if (wanted & win::kTextUnicodeNullBytes) {
    for (std::size_t i = 0; i < units; ++i) {
      if ((unit(i) & 0xFF) == 0 || (unit(i) >> 8) == 0) {
        found |= win::kTextUnicodeNullBytes;
        break;
      }
    }
  }
  if (wanted & win::kTextUnicodeControls) {
    for (std::size_t i = 0; i < units; ++i) {
      if (IsControl(unit(i))) {
        found |= win::kTextUnicodeControls;
        break;
      }
    }
  }
  if (wanted & win::kTextUnicodeReverseControls) {
    for (std::size_t i = 0; i < units; ++i) {
      if (IsReversedControl(unit(i))) {
        found |= win::kTextUnicodeReverseControls;
        break;
      }
    }
  }
  if (flags != nullptr) {
    found &= *flags;
    *flags = found;
  }
  if (found & (kReverseMask | kNotUnicodeMask)) return false;
  return (found & (kNotAsciiMask | kUnicodeMask)) != 0;
}

}  // namespace zr::sim
