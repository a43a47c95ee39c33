// Reads INI text as it lies on disk, to check what a writer left in a file
// independently of the store that wrote it.
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace zr::testing {

// section -> key -> value, names as written.
using IniSections = std::map<std::string, std::map<std::string, std::string>>;

inline IniSections ParseIniText(std::string_view text) {
  IniSections sections;
  std::map<std::string, std::string>* current = nullptr;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      current = &sections[std::string(line.substr(1, line.size() - 2))];
    } else if (const std::size_t eq = line.find('='); current != nullptr && eq != std::string_view::npos) {
      (*current)[std::string(line.substr(0, eq))] = std::string(line.substr(eq + 1));
    }
  }
  return sections;
}

// The sections whose names start with `prefix`.
inline IniSections SectionsStartingWith(const IniSections& all, std::string_view prefix) {
  IniSections some;
  for (const auto& [name, keys] : all)
    if (std::string_view(name).starts_with(prefix)) some.emplace(name, keys);
  return some;
}

}  // namespace zr::testing
