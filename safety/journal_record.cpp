#include "safety/journal_record.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <map>

namespace zr::safety {

namespace {

constexpr std::array<std::string_view, 9> kKindTexts = {
    "key deleted",  "value deleted",    "value changed", "value created",     "access list replaced",
    "file deleted", "file overwritten", "file created",  "attributes changed"};
constexpr std::size_t kMostLines = 1u << 20;
constexpr std::size_t kLargestValue = 1u << 20;

std::string Field(std::string_view text) {
  std::string out;
  for (unsigned char c : text) {
    if (c < 0x20 || c == '%') {
      char escaped[4];
      std::snprintf(escaped, sizeof(escaped), "%%%02X", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string Hex(const std::vector<std::uint8_t>& bytes) {
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    char pair[4];
    std::snprintf(pair, sizeof(pair), i == 0 ? "%02x" : ",%02x", bytes[i]);
    out += pair;
  }
  return out;
}

std::string Number(std::uint64_t value, bool hex = false) {
  char text[24];
  std::snprintf(text, sizeof(text), hex ? "%llx" : "%llu", static_cast<unsigned long long>(value));
  return text;
}

std::string FileFields(const FileState& file, bool withCopy) {
  std::string out = Number(file.attributes, true);
  if (withCopy) out += "\t" + Field(file.stored);
  return out + "\t" + Number(file.size) + "\t" + Number(file.hash, true);
}

// --- reading ---

std::vector<std::string_view> Split(std::string_view line) {
  std::vector<std::string_view> fields;
  for (std::size_t start = 0;;) {
    const std::size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == std::string_view::npos ? line.npos : tab - start));
    if (tab == std::string_view::npos) return fields;
    start = tab + 1;
  }
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool Unfield(std::string_view text, std::string& out) {
  out.clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return false;
    const int high = HexDigit(text[i + 1]), low = HexDigit(text[i + 2]);
    if (high < 0 || low < 0) return false;
    out += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return true;
}

bool ParseNumber(std::string_view text, std::uint64_t& out, int base = 10) {
  if (text.empty()) return false;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out, base);
  return ec == std::errc() && end == text.data() + text.size();
}

bool ParseNumber32(std::string_view text, std::uint32_t& out, int base = 10) {
  std::uint64_t wide = 0;
  if (!ParseNumber(text, wide, base) || wide > 0xFFFFFFFFu) return false;
  out = static_cast<std::uint32_t>(wide);
  return true;
}

bool ParseHex(std::string_view text, std::vector<std::uint8_t>& out) {
  out.clear();
  if (text.empty()) return true;
  if ((text.size() + 1) % 3 != 0 || (text.size() + 1) / 3 > kLargestValue) return false;
  for (std::size_t i = 0; i < text.size(); i += 3) {
    const int high = HexDigit(text[i]), low = HexDigit(text[i + 1]);
    if (high < 0 || low < 0 || (i + 2 < text.size() && text[i + 2] != ',')) return false;
    out.push_back(static_cast<std::uint8_t>(high * 16 + low));
  }
  return true;
}

bool ParseFile(const std::vector<std::string_view>& f, std::size_t at, bool withCopy, FileState& out) {
  if (f.size() != at + (withCopy ? 4 : 3)) return false;
  if (!ParseNumber32(f[at], out.attributes, 16)) return false;
  if (withCopy && !Unfield(f[at + 1], out.stored)) return false;
  const std::size_t rest = at + (withCopy ? 2 : 1);
  return ParseNumber(f[rest], out.size) && ParseNumber(f[rest + 1], out.hash, 16);
}

bool ParseKind(std::string_view text, ChangeKind& out) {
  for (std::size_t i = 0; i < kKindTexts.size(); ++i)
    if (kKindTexts[i] == text) {
      out = static_cast<ChangeKind>(i);
      return true;
    }
  return false;
}

bool IsFileKind(ChangeKind kind) {
  return kind == ChangeKind::kFileDeleted || kind == ChangeKind::kFileOverwritten || kind == ChangeKind::kFileCreated;
}

// One line of a change that is already open; false when it makes no sense.
bool ParseDetail(const std::vector<std::string_view>& f, Change& change) {
  if (f[1] == "key" && f.size() == 3) {
    std::string key;
    if (!Unfield(f[2], key)) return false;
    change.keys.push_back(std::move(key));
    return true;
  }
  if (f[1] == "value" && f.size() == 6) {
    ValueState value;
    if (!Unfield(f[2], value.key) || !Unfield(f[3], value.name) || !ParseNumber32(f[4], value.type) ||
        !ParseHex(f[5], value.data))
      return false;
    change.values.push_back(std::move(value));
    return true;
  }
  if (f[1] == "file" && f.size() >= 3) {
    std::string path;
    return Unfield(f[2], path) && path == change.path && ParseFile(f, 3, true, change.file);
  }
  if (f[1] == "attributes" && f.size() == 3) return ParseNumber32(f[2], change.file.attributes, 16);
  return false;
}

bool ParseOutcome(const std::vector<std::string_view>& f, Change& change) {
  if (f[1] == "done") {
    change.outcome = Outcome::kDone;
    return true;
  }
  if (f[1] == "refused" && f.size() == 3) {
    change.outcome = Outcome::kRefused;
    return ParseNumber32(f[2], change.refusal);
  }
  if (f[1] != "now") return false;
  if (IsFileKind(change.kind)) return ParseFile(f, 2, false, change.nowFile);
  if (change.kind == ChangeKind::kAttributesChanged)
    return f.size() == 3 && ParseNumber32(f[2], change.nowFile.attributes, 16);
  return f.size() == 4 && ParseNumber32(f[2], change.nowType) && ParseHex(f[3], change.nowData);
}

}  // namespace

std::string_view KindText(ChangeKind kind) { return kKindTexts[static_cast<std::size_t>(kind)]; }

std::uint64_t HashBytes(const std::vector<std::uint8_t>& bytes) {
  std::uint64_t hash = 0xcbf29ce484222325ull;
  for (std::uint8_t byte : bytes) hash = (hash ^ byte) * 0x100000001b3ull;
  return hash;
}

std::string JournalHeader(unsigned codePage) { return "zrdrvtool journal\t1\tcodepage\t" + Number(codePage) + "\r\n"; }

std::string ChangeLines(const Change& change) {
  const std::string number = "#" + Number(static_cast<std::uint64_t>(change.number));
  std::string out = number + "\t" + std::string(KindText(change.kind)) + "\t" + Field(change.path) + "\t" +
                    Field(change.name) + "\tstep: " + Field(change.step) + "\r\n";
  for (const std::string& key : change.keys) out += "\tkey\t" + Field(key) + "\r\n";
  for (const ValueState& v : change.values)
    out += "\tvalue\t" + Field(v.key) + "\t" + Field(v.name) + "\t" + Number(v.type) + "\t" + Hex(v.data) + "\r\n";
  if (change.kind == ChangeKind::kFileDeleted || change.kind == ChangeKind::kFileOverwritten)
    out += "\tfile\t" + Field(change.path) + "\t" + FileFields(change.file, true) + "\r\n";
  if (change.kind == ChangeKind::kAttributesChanged)
    out += "\tattributes\t" + Number(change.file.attributes, true) + "\r\n";
  return out;
}

std::string OutcomeLines(const Change& change, std::string_view became) {
  const std::string number = "#" + Number(static_cast<std::uint64_t>(change.number));
  if (change.outcome == Outcome::kRefused) return number + "\trefused\t" + Number(change.refusal) + "\r\n";
  std::string out;
  if (IsFileKind(change.kind) && change.kind != ChangeKind::kFileDeleted)
    out = number + "\tnow\t" + FileFields(change.nowFile, false) + "\r\n";
  else if (change.kind == ChangeKind::kAttributesChanged)
    out = number + "\tnow\t" + Number(change.nowFile.attributes, true) + "\r\n";
  else if (change.kind == ChangeKind::kValueChanged || change.kind == ChangeKind::kValueCreated)
    out = number + "\tnow\t" + Number(change.nowType) + "\t" + Hex(change.nowData) + "\r\n";
  return out + number + "\tdone\t" + Field(became) + "\r\n";
}

std::string IncompleteLine(std::string_view why) { return "journal incomplete\t" + Field(why) + "\r\n"; }

ParsedJournal ParseJournal(const std::vector<std::uint8_t>& bytes) {
  ParsedJournal parsed;
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  std::map<std::string, std::size_t> open;  // "#N" -> index in changes
  std::vector<bool> broken;
  std::size_t lineNumber = 0;
  for (std::size_t start = 0; start < text.size() && lineNumber < kMostLines;) {
    std::size_t end = text.find('\n', start);
    const bool cut = end == std::string_view::npos;
    std::string_view line = text.substr(start, cut ? text.npos : end - start);
    start = cut ? text.size() : end + 1;
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const auto damaged = [&](std::string_view why) {
      parsed.damage.push_back("journal.txt line " + Number(lineNumber) + ": " + std::string(why));
    };
    const std::vector<std::string_view> f = Split(line);
    if (lineNumber == 1) {
      std::uint32_t codePage = 0;
      parsed.headerOk = f.size() == 4 && f[0] == "zrdrvtool journal" && f[1] == "1" && f[2] == "codepage" &&
                        ParseNumber32(f[3], codePage);
      parsed.codePage = codePage;
      if (!parsed.headerOk) return parsed;
      continue;
    }
    if (cut) {
      damaged("cut short");
      if (!line.empty() && line[0] == '\t' && !broken.empty()) broken.back() = true;
      break;
    }
    if (f[0] == "journal incomplete") {
      parsed.incomplete = true;
      continue;
    }
    if (f[0].empty() && f.size() >= 2 && !parsed.changes.empty()) {  // a detail of the last change
      if (!broken.back() && !ParseDetail(f, parsed.changes.back())) {
        damaged("unreadable detail of change " + Number(static_cast<std::uint64_t>(parsed.changes.back().number)));
        broken.back() = true;
      }
      continue;
    }
    std::uint64_t number = 0;
    if (f[0].size() < 2 || f[0][0] != '#' || !ParseNumber(f[0].substr(1), number) || number > 1u << 30 ||
        f.size() < 2) {
      damaged("unreadable line");
      continue;
    }
    const std::string id(f[0]);
    if (const auto it = open.find(id); it != open.end()) {  // the outcome of an earlier change
      if (!broken[it->second] && !ParseOutcome(f, parsed.changes[it->second])) {
        damaged("unreadable outcome of change " + Number(number));
        broken[it->second] = true;
      }
      continue;
    }
    Change change;
    change.number = static_cast<int>(number);
    if (f.size() != 5 || !ParseKind(f[1], change.kind) || !Unfield(f[2], change.path) || !Unfield(f[3], change.name) ||
        f[4].rfind("step: ", 0) != 0 || !Unfield(f[4].substr(6), change.step)) {
      damaged("unreadable change");
      continue;
    }
    open[id] = parsed.changes.size();
    parsed.changes.push_back(std::move(change));
    broken.push_back(false);
  }
  // A change that could not be read whole is not put back.
  std::vector<Change> whole;
  for (std::size_t i = 0; i < parsed.changes.size(); ++i)
    if (!broken[i]) whole.push_back(std::move(parsed.changes[i]));
  parsed.changes = std::move(whole);
  return parsed;
}

}  // namespace zr::safety
