// The line syntax of the work file. The store's loader and its writer both go
// through ParseLine, so what a write leaves in memory is exactly what a later
// reload of the file reads.
//
// Text is bytes of a code page. Where the code page has double-byte
// characters, a lead byte and the byte after it form one character: that
// second byte is never taken for ']', '=', a blank or a quote, is never case
// folded, and a character is never cut in half.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace zr::profile {

// Blanks are trimmed from names and values; line breaks end a line.
inline bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r' || c == '\n'; }
inline bool IsLineBreak(char c) { return c == '\r' || c == '\n'; }

class CodePageText {
 public:
  explicit CodePageText(unsigned codePage);

  bool IsLead(char c) const { return lead_[static_cast<unsigned char>(c)]; }

  // Blanks removed from both ends; a blank that is the second byte of a
  // character stays.
  std::string_view Trim(std::string_view s) const;
  std::string_view TrimRight(std::string_view s) const;

  // Equal when they differ only in the case of ASCII letters that stand as
  // characters of their own.
  bool NamesEqual(std::string_view a, std::string_view b) const;
  // A hash under which names that are NamesEqual are equal.
  std::size_t FoldedHash(std::string_view name) const;

  // The longest prefix of at most `max` bytes that does not split a
  // character.
  std::size_t CutLength(std::string_view s, std::size_t max) const;

  // Position of the first character `c` (an ASCII mark such as '=' or
  // ']', never the second byte of a character), or npos.
  std::size_t FindFirst(std::string_view s, char c) const;
  // Position of the last such `c`, or npos.
  std::size_t FindLast(std::string_view s, char c) const;

  // Removes one pair of matching surrounding quotes ("" or '').
  std::string_view Unquote(std::string_view value) const;

 private:
  // Length of the character at s[i] (1 or 2 bytes).
  std::size_t CharLength(std::string_view s, std::size_t i) const { return IsLead(s[i]) && i + 1 < s.size() ? 2 : 1; }

  std::array<bool, 256> lead_{};
};

// One non-empty line of the file, already trimmed.
struct Line {
  bool isHeader = false;
  std::string_view name;                  // section name, or key name
  std::optional<std::string_view> value;  // nullopt: a line without '='
};

// "[name]" (the name runs to the last ']', text after it is ignored) or
// "name=value" (split at the first '='); anything else is a line kept as it
// stands, without a value: comments, "[NoClose", words without '='.
Line ParseLine(std::string_view trimmedLine, const CodePageText& cp);

// Calls f(line) for every line that is not blank, trimmed. Lines end at CR
// or LF, so CRLF, LF and a lone CR all end one.
template <typename F>
void ForEachLine(std::string_view text, const CodePageText& cp, F&& f) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = pos;
    while (end < text.size() && !IsLineBreak(text[end])) ++end;
    const std::string_view line = cp.Trim(text.substr(pos, end - pos));
    if (!line.empty()) f(line);
    pos = end + 1;
  }
}

}  // namespace zr::profile
