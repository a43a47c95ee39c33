#include "engine/profile_syntax.h"

#include <cstdint>

#include "platform/text/codepage.h"

namespace zr::profile {
namespace {

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

CodePageText::CodePageText(unsigned codePage) {
  for (unsigned b = 0; b < lead_.size(); ++b) {
    lead_[b] = text::IsLeadByte(static_cast<unsigned char>(b), codePage);
  }
}

std::string_view CodePageText::TrimRight(std::string_view s) const {
  // Only a forward walk knows where characters start, so remember where the
  // last character that is not a blank ends.
  std::size_t keep = 0;
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t len = CharLength(s, i);
    if (len == 2 || !IsBlank(s[i])) keep = i + len;
    i += len;
  }
  return s.substr(0, keep);
}

std::string_view CodePageText::Trim(std::string_view s) const {
  std::size_t start = 0;
  while (start < s.size() && IsBlank(s[start])) ++start;
  return TrimRight(s.substr(start));
}

bool CodePageText::NamesEqual(std::string_view a, std::string_view b) const {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size();) {
    if (CharLength(a, i) == 2) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
      i += 2;
    } else {
      if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
      ++i;
    }
  }
  return true;
}

std::size_t CodePageText::FoldedHash(std::string_view name) const {
  // FNV-1a over the folded bytes.
  std::uint64_t hash = 1469598103934665603ull;
  auto mix = [&hash](char c) { hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull; };
  for (std::size_t i = 0; i < name.size();) {
    if (CharLength(name, i) == 2) {
      mix(name[i]);
      mix(name[i + 1]);
      i += 2;
    } else {
      mix(FoldAscii(name[i]));
      ++i;
    }
  }
  return static_cast<std::size_t>(hash);
}

std::size_t CodePageText::CutLength(std::string_view s, std::size_t max) const {
  std::size_t i = 0;
  while (i < s.size()) {
    const std::size_t len = CharLength(s, i);
    if (i + len > max) break;
    i += len;
  }
  return i;
}

std::size_t CodePageText::FindFirst(std::string_view s, char c) const {
  for (std::size_t i = 0; i < s.size(); i += CharLength(s, i)) {
    if (s[i] == c) return i;
  }
  return std::string_view::npos;
}

std::size_t CodePageText::FindLast(std::string_view s, char c) const {
  std::size_t found = std::string_view::npos;
  for (std::size_t i = 0; i < s.size(); i += CharLength(s, i)) {
    if (s[i] == c) found = i;
  }
  return found;
}

std::string_view CodePageText::Unquote(std::string_view value) const {
  if (value.size() < 2) return value;
  const char quote = value.front();
  if (quote != '"' && quote != '\'') return value;
  if (FindLast(value.substr(1), quote) != value.size() - 2) return value;
  return value.substr(1, value.size() - 2);
}

Line ParseLine(std::string_view line, const CodePageText& cp) {
  Line out;
  if (line.front() == '[') {
    const std::size_t close = cp.FindLast(line, ']');
    if (close != std::string_view::npos && close > 0) {
      out.isHeader = true;
      out.name = cp.Trim(line.substr(1, close - 1));
      return out;
    }
  }
  const std::size_t eq = cp.FindFirst(line, '=');
  if (eq == std::string_view::npos) {
    out.name = line;
    return out;
  }
  out.name = cp.TrimRight(line.substr(0, eq));
  out.value = cp.Trim(line.substr(eq + 1));
  return out;
}

}  // namespace zr::profile
