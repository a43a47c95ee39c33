// INI text as sections of keys: what a writer left in a file, read
// independently of the store that wrote it, and expectations written
// compactly.
#pragma once

#include <algorithm>
#include <map>
#include <string>
#include <string_view>

namespace zr::testing {

// section -> key -> value, names as written.
using IniSections = std::map<std::string, std::map<std::string, std::string>>;

// The sections of INI `text` whose names start with `prefix`.
inline IniSections ParseIniText(std::string_view text, std::string_view prefix = "") {
  IniSections sections;
  std::map<std::string, std::string>* current = nullptr;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      const std::string_view name = line.substr(1, line.size() - 2);
      current = name.starts_with(prefix) ? &sections[std::string(name)] : nullptr;
    } else if (const std::size_t eq = line.find('='); current != nullptr && eq != std::string_view::npos) {
      (*current)[std::string(line.substr(0, eq))] = std::string(line.substr(eq + 1));
    }
  }
  return sections;
}

// Sections written on a line: "[name] key=value key=value [other] ...",
// separated by single blanks, each value without blanks.
inline IniSections Sections(std::string words) {
  std::replace(words.begin(), words.end(), ' ', '\n');
  return ParseIniText(words);
}

}  // namespace zr::testing
