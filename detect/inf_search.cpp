#include "detect/inf_search.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "detect/text_match.h"
#include "platform/win_codes.h"

namespace zr {
namespace {

struct FoldedHash {
  std::size_t operator()(char c) const { return std::hash<char>()(FoldAsciiLetter(c)); }
};
struct FoldedEqual {
  bool operator()(char a, char b) const { return FoldAsciiLetter(a) == FoldAsciiLetter(b); }
};

bool ContainsIgnoringCase(std::string_view haystack, std::string_view pattern) {
  const std::boyer_moore_horspool_searcher searcher(pattern.begin(), pattern.end(), FoldedHash(), FoldedEqual());
  return std::search(haystack.begin(), haystack.end(), searcher) != haystack.end();
}

bool ContainsExactly(std::string_view haystack, std::string_view pattern) {
  const std::boyer_moore_horspool_searcher searcher(pattern.begin(), pattern.end());
  return std::search(haystack.begin(), haystack.end(), searcher) != haystack.end();
}

}  // namespace

bool FileExists(IFiles& files, std::string_view path) { return files.ProbeExisting(path) == win::kSuccess; }

bool InfNamesText(IFiles& files, std::string_view path, std::string_view pattern) {
  if (pattern.empty()) return false;
  std::vector<std::uint8_t> bytes;
  if (files.ReadWholeFile(path, bytes) != win::kSuccess || bytes.empty()) return false;
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (files.IsTextUnicode(bytes.data(), bytes.size(), nullptr)) {
    std::string wide;
    wide.reserve(pattern.size() * 2);
    for (char c : pattern) {
      wide += c;
      wide += '\0';
    }
    return ContainsExactly(text, wide);
  }
  return ContainsIgnoringCase(text, pattern);
}

}  // namespace zr
