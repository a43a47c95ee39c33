#include "engine/profile_store.h"

namespace zr {
namespace {

// Letters are digits too, so that "0x1f" works; a digit that is not one of
// the base ends the number.
unsigned DigitValue(char c) {
  if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
  if (c >= 'a' && c <= 'z') return static_cast<unsigned>(c - 'a' + 10);
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned>(c - 'A' + 10);
  return 36;
}

}  // namespace

std::uint32_t ParseProfileInt(std::string_view text, std::int32_t def) {
  if (text.empty()) return static_cast<std::uint32_t>(def);
  std::size_t i = 0;
  while (i < text.size() && static_cast<unsigned char>(text[i]) <= ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    negative = text[i] == '-';
    ++i;
  }
  unsigned base = 10;
  if (i + 1 < text.size() && text[i] == '0') {
    switch (text[i + 1]) {
      case 'x':
        base = 16;
        break;
      case 'o':
        base = 8;
        break;
      case 'b':
        base = 2;
        break;
      default:
        break;
    }
    if (base != 10) i += 2;
  }
  std::uint32_t value = 0;  // unsigned, so that overflow wraps as the real call's does
  for (; i < text.size(); ++i) {
    const unsigned digit = DigitValue(text[i]);
    if (digit >= base) break;
    value = value * base + digit;
  }
  return negative ? 0u - value : value;
}

}  // namespace zr
