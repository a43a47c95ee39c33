// The script commands that drive the wizard. The Linux program's scripted
// mode and the robot that drives the Windows program under Wine read the
// same scripts through this one reader, so that their transcripts can be
// compared line for line. Nothing here knows a toolkit or the engine.
#pragma once

#include <cstddef>
#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zr::script {

enum class Verb {
  kNext,
  kBack,
  kFinish,
  kCancel,
  kCheck,
  kUncheck,
  kSelect,
  kKey,
  kTick,
  kPlug,
  kExpect,
  kFocus,
  kStartAgain
};

// What `focus` moves the keyboard focus to, besides a control id: the page
// itself, or one of the sheet's buttons (which then takes every key).
inline constexpr int kFocusPage = 0;
inline constexpr int kFocusSheetButton = -1;

struct Command {
  Verb verb = Verb::kNext;
  // The words after the command's name, trimmed: the text of `expect`, and
  // what an error about the argument quotes.
  std::string argument;
  // The control id (check, uncheck, select, focus; for focus also
  // kFocusPage or kFocusSheetButton), the virtual-key code (key) or the count
  // (tick, 1 when none is given).
  int number = 0;
};

// A line of a script that is not blank and not a comment.
struct Line {
  std::size_t number = 0;  // counted from 1, blank and comment lines included
  std::string text;        // trimmed: what the transcripts echo after "> "
  std::optional<Command> command;
  std::string error;  // what is wrong with the line when it is no command
};

// Line `number` of a script; nothing for a blank line or a comment ('#').
std::optional<Line> ParseLine(std::string_view raw, std::size_t number);

// Every line of a whole script that is not blank or a comment, in order.
std::vector<Line> ParseScript(std::string_view text);

// Reads a script line by line, as the commands are carried out.
class Reader {
 public:
  explicit Reader(std::istream& in) : in_(in) {}
  // The next line that is not blank or a comment; false at the end.
  bool Next(Line& line);
  // How many lines have been read, blank and comment lines included.
  std::size_t LinesRead() const { return linesRead_; }

 private:
  std::istream& in_;
  std::size_t linesRead_ = 0;
};

// What a host says when the command's argument names nothing it can act on
// ("no visible check box '1002' on this page"): the same words as for an
// argument that is no id at all.
std::string BadArgument(const Command& command);

}  // namespace zr::script
