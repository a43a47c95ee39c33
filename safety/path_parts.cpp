#include "safety/path_parts.h"

#include "platform/text/codepage.h"

namespace zr::safety {

std::vector<std::string_view> PathParts(std::string_view path, unsigned codePage) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= path.size(); ++i) {
    if (i < path.size() && path[i] != '\\') {
      if (text::IsLeadByte(static_cast<unsigned char>(path[i]), codePage) && i + 1 < path.size()) ++i;
      continue;
    }
    if (i > start) parts.push_back(path.substr(start, i - start));
    start = i + 1;
  }
  return parts;
}

std::string JoinParts(const std::vector<std::string_view>& parts, char separator) {
  std::string out;
  for (std::string_view part : parts) {
    if (!out.empty()) out += separator;
    out += part;
  }
  return out;
}

std::string LowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

}  // namespace zr::safety
