// The terminal under curses (ncursesw): set up and restored, drawn on with
// every call clipped to a rectangle, and read as keys, characters, mouse
// clicks and size changes. The only place of the terminal front end that
// includes curses.
#pragma once

#include <memory>
#include <string_view>

#include "ui/tty/layout.h"

namespace zr::tty {

enum TextAttr : unsigned { kAttrPlain = 0, kAttrDim = 1, kAttrReverse = 2, kAttrBold = 4 };

enum class Key {
  Tab,
  BackTab,
  Enter,
  Escape,
  Up,
  Down,
  Left,
  Right,
  PageUp,
  PageDown,
  Home,
  End,
  F2,
  F5,
  Keypad,  // a digit of the numeric keypad, told apart from the main keyboard's
};

enum class MouseAction { Press, Release, Click, WheelUp, WheelDown };

struct InputEvent {
  enum class Type { Timeout, Char, Key, Mouse, Resize };
  Type type = Type::Timeout;
  wchar_t ch = 0;       // Char: a printable character, space included
  bool alt = false;     // Char: typed with Alt held
  Key key = Key::Tab;   // Key
  int keypadDigit = 0;  // Key::Keypad
  MouseAction mouse = MouseAction::Click;
  int col = 0, row = 0;  // Mouse
};

class CursesScreen {
 public:
  // Null when the terminal cannot be used (an unknown TERM), with `error`.
  static std::unique_ptr<CursesScreen> Open(std::string& error);
  ~CursesScreen();
  CursesScreen(const CursesScreen&) = delete;
  CursesScreen& operator=(const CursesScreen&) = delete;

  int Cols() const;
  int Rows() const;

  void Clear();
  // Blanks a rectangle (what lies under a box drawn on top).
  void Fill(const Rect& area, const Rect& clip);
  // Text from (col, row), at most `width` cells, nothing outside `clip`.
  void Text(int col, int row, std::wstring_view text, int width, unsigned attr, const Rect& clip);
  // A frame of line-drawing characters around `box`.
  void Frame(const Rect& box, unsigned attr, const Rect& clip);
  // A line across a frame that joins its sides.
  void FrameDivider(const Rect& frame, int row, const Rect& clip);
  void Refresh();

  // Waits up to `timeoutMs` (-1: for ever) for the next input.
  InputEvent Read(int timeoutMs);

  // The whole screen, as a clip rectangle.
  Rect Whole() const { return Rect{0, 0, Cols(), Rows()}; }

 private:
  struct Terminal;
  explicit CursesScreen(std::unique_ptr<Terminal> terminal);
  std::unique_ptr<Terminal> terminal_;
};

}  // namespace zr::tty
