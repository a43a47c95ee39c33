#include "platform/sim/machine_ini.h"

#include <charconv>
#include <map>
#include <vector>

#include "platform/text/codepage.h"
#include "platform/win_codes.h"

namespace zr::sim {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return out;
}

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

bool ParseNumber(std::string_view text, std::uint32_t& out) {
  if (text.empty()) return false;
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out, base);
  return ec == std::errc() && end == text.data() + text.size();
}

struct Reader {
  MachineConfig& config;
  std::string& error;
  std::size_t line = 0;
  std::map<std::string, bool> seen;

  bool Fail(const std::string& what) {
    error = "machine.ini:" + std::to_string(line) + ": " + what;
    return false;
  }

  bool SystemKey(const std::string& key, std::string_view value) {
    std::uint32_t number = 0;
    auto number_of = [&](std::uint32_t& field) {
      if (!ParseNumber(value, number)) return Fail("'" + key + "' is not a number: '" + std::string(value) + "'");
      field = number;
      return true;
    };
    auto path_of = [&](std::string& field) {
      if (value.size() < 3 || value[1] != ':' || (value[2] != '\\')) {
        return Fail("'" + key + "' is not a full Windows path: '" + std::string(value) + "'");
      }
      field = text::FromUtf8(value, config.codePage);
      while (field.size() > 3 && field.back() == '\\') field.pop_back();
      return true;
    };
    if (key == "major") return number_of(config.version.major);
    if (key == "minor") return number_of(config.version.minor);
    if (key == "build") return number_of(config.version.build);
    if (key == "platform") {
      if (!number_of(config.version.platformId)) return false;
      if (config.version.platformId > win::kPlatformWindowsNt) return Fail("'platform' must be 0, 1 or 2");
      return true;
    }
    if (key == "csd") {
      if (value.size() > 127) return Fail("'csd' is longer than 127 bytes");
      config.version.csd = text::FromUtf8(value, config.codePage);
      return true;
    }
    if (key == "windows") return path_of(config.windowsDir);
    if (key == "system") return path_of(config.systemDir);
    if (key == "current") return path_of(config.currentDir);
    if (key == "codepage") {
      std::uint32_t cp = 0;
      if (!number_of(cp)) return false;
      if (!text::IsSupportedCodePage(cp)) return Fail("code page " + std::to_string(cp) + " is not supported");
      config.codePage = cp;
      return true;
    }
    if (key == "admin") {
      if (value != "0" && value != "1") return Fail("'admin' must be 0 or 1");
      config.admin = value == "1";
      return true;
    }
    return Fail("unknown key '" + key + "' in [system]");
  }
};

}  // namespace

bool ParseMachineIni(std::string_view text, MachineConfig& config, std::string& error) {
  if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  // The code page decides how the paths are read, so it is taken first; only
  // [system] sets it (a key of that name elsewhere is a key path).
  std::string firstPassSection;
  for (std::string_view raw : Lines(text)) {
    std::string_view line = Trim(raw);
    if (!line.empty() && line.front() == '[') {
      firstPassSection = Lower(Trim(line.substr(1, line.size() - 1 - (line.back() == ']' ? 1 : 0))));
      continue;
    }
    if (firstPassSection == "system" && Lower(line.substr(0, line.find('='))) == "codepage") {
      std::uint32_t cp = 0;
      if (ParseNumber(Trim(line.substr(line.find('=') + 1)), cp) && text::IsSupportedCodePage(cp)) config.codePage = cp;
    }
  }
  Reader reader{config, error, 0, {}};
  std::string section;
  for (std::string_view raw : Lines(text)) {
    ++reader.line;
    std::string_view line = Trim(raw);
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;
    if (line.front() == '[') {
      if (line.back() != ']') return reader.Fail("section header without ']'");
      section = Lower(Trim(line.substr(1, line.size() - 2)));
      if (section != "system" && section != "protected" && section != "replaced")
        return reader.Fail("unknown section [" + section + "]");
      continue;
    }
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) return reader.Fail("line without '=': '" + std::string(line) + "'");
    const std::string key = Lower(Trim(line.substr(0, eq)));
    std::string_view value = Trim(line.substr(eq + 1));
    // Quotes keep blanks that belong to a value (Windows 98 reports " A ").
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    if (section.empty()) return reader.Fail("'" + key + "' before any section");
    std::string name = section + "/";
    name += key;
    if (reader.seen[name]) return reader.Fail("'" + key + "' given twice");
    reader.seen[name] = true;
    if (section == "system") {
      if (!reader.SystemKey(key, value)) return false;
      continue;
    }
    if (value.empty() || value.front() == '\\') return reader.Fail("'" + key + "' must name a key below HKLM");
    auto& list = section == "protected" ? config.protectedKeys : config.replacedKeys;
    list.push_back(text::FromUtf8(value, config.codePage));
  }
  for (const char* required : {"major", "minor", "platform", "windows"}) {
    if (!reader.seen[std::string("system/") + required]) {
      error = std::string("machine.ini: [system] lacks '") + required + "'";
      return false;
    }
  }
  if (!reader.seen["system/system"]) config.systemDir = config.windowsDir + "\\system32";
  if (!reader.seen["system/current"]) config.currentDir = config.windowsDir.substr(0, 2) + "\\";
  return true;
}

std::string WithReplacedSection(std::string_view text, const MachineConfig& config) {
  std::string out;
  bool inReplaced = false;
  for (std::string_view raw : Lines(text)) {
    std::string_view line = Trim(raw);
    if (!line.empty() && line.front() == '[') inReplaced = Lower(line) == "[replaced]";
    if (inReplaced) continue;
    out.append(raw);  // a CRLF line keeps its '\r'
    out += '\n';
  }
  if (!config.replacedKeys.empty()) {
    out += "[replaced]\n";
    for (std::size_t i = 0; i < config.replacedKeys.size(); ++i) {
      const std::string path = text::ToUtf8(config.replacedKeys[i], config.codePage);
      // Quotes keep what the reader would otherwise trim or unquote.
      const bool quoted = Trim(path) != path || (path.size() >= 2 && path.front() == '"' && path.back() == '"');
      out += "key" + std::to_string(i + 1) + "=" + (quoted ? "\"" + path + "\"" : path) + "\n";
    }
  }
  return out;
}

}  // namespace zr::sim
