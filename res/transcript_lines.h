// The transcript form of an edit box's text, shared by the Linux scripted
// mode and the Windows robot so their transcripts compare line for line:
// one "    | " line per text line, CR LF or LF.
#pragma once

#include <string>
#include <vector>

namespace zr::res {

inline void AppendEditLines(std::vector<std::string>& lines, const std::string& text) {
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string row = text.substr(start, end - start);
    if (!row.empty() && row.back() == '\r') row.pop_back();
    lines.push_back("    | " + row);
    start = end + 1;
  }
}

}  // namespace zr::res
