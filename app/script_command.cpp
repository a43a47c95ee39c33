#include "app/script_command.h"

#include <algorithm>

namespace zr::script {
namespace {

// What follows a command's name.
enum class Argument { kNone, kControlId, kKey, kTickCount, kText, kFocusTarget };

struct Syntax {
  std::string_view name;
  Verb verb;
  Argument argument;
  // The error for an argument that does not fit; '%' stands for it.
  std::string_view badArgument;
};

// One row a command.
constexpr Syntax kCommands[] = {
    {"next", Verb::kNext, Argument::kNone, ""},
    {"back", Verb::kBack, Argument::kNone, ""},
    {"finish", Verb::kFinish, Argument::kNone, ""},
    {"cancel", Verb::kCancel, Argument::kNone, ""},
    {"check", Verb::kCheck, Argument::kControlId, "no visible check box '%' on this page"},
    {"uncheck", Verb::kUncheck, Argument::kControlId, "no visible check box '%' on this page"},
    {"select", Verb::kSelect, Argument::kControlId, "no visible radio button '%' on this page"},
    {"key", Verb::kKey, Argument::kKey, "not a key: '%'"},
    {"tick", Verb::kTick, Argument::kTickCount, "not a tick count: '%'"},
    {"plug", Verb::kPlug, Argument::kNone, ""},
    {"expect", Verb::kExpect, Argument::kText, ""},
    {"focus", Verb::kFocus, Argument::kFocusTarget, "nothing to focus: '%'"},
    {"start-again", Verb::kStartAgain, Argument::kNone, ""},
};

constexpr int kMostTicks = 100000;

// The white space that separates a command's name from its argument (that
// of a stream's >>), and the white space trimmed off a line's ends.
constexpr std::string_view kSeparators = " \t\n\v\f\r";
constexpr std::string_view kBlanks = " \t\r";

std::string_view Trim(std::string_view s) {
  const std::size_t first = s.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Up to nine decimal digits, so that the number fits an int.
bool ParseNumber(std::string_view text, int& value) {
  if (text.empty() || text.size() > 9 || !std::all_of(text.begin(), text.end(), IsDigit)) return false;
  value = 0;
  for (char c : text) value = value * 10 + (c - '0');
  return true;
}

// A letter or digit (letters as their capitals), or "0x" and one to four hex
// digits of a value up to 0xFF.
bool ParseKey(std::string_view name, int& virtualKey) {
  if (name.size() == 1) {
    const char c = name[0];
    if (IsDigit(c) || (c >= 'A' && c <= 'Z'))
      virtualKey = static_cast<unsigned char>(c);
    else if (c >= 'a' && c <= 'z')
      virtualKey = c - 'a' + 'A';
    else
      return false;
    return true;
  }
  if (name.size() <= 2 || name.size() > 6 || name[0] != '0' || (name[1] != 'x' && name[1] != 'X')) return false;
  int value = 0;
  for (char c : name.substr(2)) {
    if (IsDigit(c))
      value = value * 16 + (c - '0');
    else if (c >= 'a' && c <= 'f')
      value = value * 16 + (c - 'a' + 10);
    else if (c >= 'A' && c <= 'F')
      value = value * 16 + (c - 'A' + 10);
    else
      return false;
  }
  if (value > 0xFF) return false;
  virtualKey = value;
  return true;
}

bool ParseArgument(Argument kind, std::string_view text, int& number) {
  switch (kind) {
    case Argument::kControlId:
      return ParseNumber(text, number);
    case Argument::kKey:
      return ParseKey(text, number);
    case Argument::kTickCount:
      number = 1;
      return text.empty() || (ParseNumber(text, number) && number >= 1 && number <= kMostTicks);
    case Argument::kFocusTarget:
      if (text == "page") {
        number = kFocusPage;
        return true;
      }
      if (text == "back" || text == "next" || text == "finish" || text == "cancel") {
        number = kFocusSheetButton;
        return true;
      }
      return ParseNumber(text, number) && number > 0;
    case Argument::kNone:
    case Argument::kText:
      return true;
  }
  return false;
}

const Syntax* Find(Verb verb) {
  const auto* row = std::find_if(std::begin(kCommands), std::end(kCommands),
                                 [verb](const Syntax& syntax) { return syntax.verb == verb; });
  return row == std::end(kCommands) ? nullptr : row;
}

std::string Fill(std::string_view pattern, std::string_view argument) {
  const std::size_t at = pattern.find('%');
  if (at == std::string_view::npos) return std::string(pattern);
  std::string text(pattern.substr(0, at));
  text += argument;
  text += pattern.substr(at + 1);
  return text;
}

}  // namespace

std::optional<Line> ParseLine(std::string_view raw, std::size_t number) {
  const std::string_view text = Trim(raw);
  if (text.empty() || text[0] == '#') return std::nullopt;
  Line line;
  line.number = number;
  line.text = std::string(text);

  const std::size_t nameStart = std::min(text.find_first_not_of(kSeparators), text.size());
  const std::size_t nameEnd = std::min(text.find_first_of(kSeparators, nameStart), text.size());
  const std::string_view name = text.substr(nameStart, nameEnd - nameStart);
  const auto* syntax =
      std::find_if(std::begin(kCommands), std::end(kCommands), [name](const Syntax& row) { return row.name == name; });
  if (syntax == std::end(kCommands)) {
    line.error = "unknown command '" + std::string(name) + "'";
    return line;
  }
  Command command{syntax->verb, std::string(Trim(text.substr(nameEnd))), 0};
  if (!ParseArgument(syntax->argument, command.argument, command.number)) {
    line.error = Fill(syntax->badArgument, command.argument);
    return line;
  }
  line.command = std::move(command);
  return line;
}

std::vector<Line> ParseScript(std::string_view text) {
  std::vector<Line> lines;
  std::size_t number = 0;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    if (std::optional<Line> line = ParseLine(text.substr(0, end), ++number)) lines.push_back(std::move(*line));
    text.remove_prefix(std::min(end + 1, text.size()));
  }
  return lines;
}

bool Reader::Next(Line& line) {
  std::string raw;
  while (std::getline(in_, raw)) {
    if (std::optional<Line> parsed = ParseLine(raw, ++linesRead_)) {
      line = std::move(*parsed);
      return true;
    }
  }
  return false;
}

std::string BadArgument(const Command& command) {
  const Syntax* syntax = Find(command.verb);
  return syntax == nullptr ? std::string() : Fill(syntax->badArgument, command.argument);
}

}  // namespace zr::script
