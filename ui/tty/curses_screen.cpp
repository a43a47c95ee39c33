#include "ui/tty/curses_screen.h"

#ifndef NCURSES_WIDECHAR
#define NCURSES_WIDECHAR 1
#endif
#include <curses.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace zr::tty {
namespace {

// Key codes we give the keypad's digits where the terminal database names
// no key for them (it names only the corners and the centre).
constexpr int kKeypadCodeBase = KEY_MAX + 1;
// What a terminal in application keypad mode sends for the keypad's 0..9.
constexpr const char* kKeypadSequences[10] = {"\033Op", "\033Oq", "\033Or", "\033Os", "\033Ot",
                                              "\033Ou", "\033Ov", "\033Ow", "\033Ox", "\033Oy"};

attr_t CursesAttr(unsigned attr) {
  attr_t a = A_NORMAL;
  if (attr & kAttrDim) a |= A_DIM;
  if (attr & kAttrReverse) a |= A_REVERSE;
  if (attr & kAttrBold) a |= A_BOLD;
  return a;
}

Rect Intersect(const Rect& a, const Rect& b) {
  const int col = std::max(a.col, b.col), row = std::max(a.row, b.row);
  const int right = std::min(a.Right(), b.Right()), bottom = std::min(a.Bottom(), b.Bottom());
  return Rect{col, row, std::max(0, right - col), std::max(0, bottom - row)};
}

void PutCell(int col, int row, const cchar_t* cell, const Rect& visible) {
  if (visible.Contains(col, row)) mvwadd_wch(stdscr, row, col, cell);
}

InputEvent KeyEvent(Key key) {
  InputEvent e;
  e.type = InputEvent::Type::Key;
  e.key = key;
  return e;
}

InputEvent KeypadEvent(int digit) {
  InputEvent e = KeyEvent(Key::Keypad);
  e.keypadDigit = digit;
  return e;
}

InputEvent MouseEvent() {
  MEVENT m{};
  if (getmouse(&m) != OK) return InputEvent{};
  InputEvent e;
  e.type = InputEvent::Type::Mouse;
  e.col = m.x;
  e.row = m.y;
  if (m.bstate & BUTTON1_PRESSED)
    e.mouse = MouseAction::Press;
  else if (m.bstate & BUTTON1_RELEASED)
    e.mouse = MouseAction::Release;
  else if (m.bstate & (BUTTON1_CLICKED | BUTTON1_DOUBLE_CLICKED | BUTTON1_TRIPLE_CLICKED))
    e.mouse = MouseAction::Click;
  else if (m.bstate & BUTTON4_PRESSED)
    e.mouse = MouseAction::WheelUp;
#if NCURSES_MOUSE_VERSION > 1
  else if (m.bstate & BUTTON5_PRESSED)
    e.mouse = MouseAction::WheelDown;
#endif
  else
    return InputEvent{};  // another button: nothing to do
  return e;
}

InputEvent FunctionKeyEvent(wint_t code) {
  if (code >= static_cast<wint_t>(kKeypadCodeBase) && code < static_cast<wint_t>(kKeypadCodeBase + 10))
    return KeypadEvent(static_cast<int>(code) - kKeypadCodeBase);
  switch (code) {
    case KEY_RESIZE: {
      InputEvent e;
      e.type = InputEvent::Type::Resize;
      return e;
    }
    case KEY_MOUSE:
      return MouseEvent();
    case KEY_BTAB:
      return KeyEvent(Key::BackTab);
    case KEY_ENTER:
      return KeyEvent(Key::Enter);
    case KEY_UP:
      return KeyEvent(Key::Up);
    case KEY_DOWN:
      return KeyEvent(Key::Down);
    case KEY_LEFT:
      return KeyEvent(Key::Left);
    case KEY_RIGHT:
      return KeyEvent(Key::Right);
    case KEY_PPAGE:
      return KeyEvent(Key::PageUp);
    case KEY_NPAGE:
      return KeyEvent(Key::PageDown);
    case KEY_HOME:
      return KeyEvent(Key::Home);
    case KEY_END:
      return KeyEvent(Key::End);
    case KEY_F(2):
      return KeyEvent(Key::F2);
    case KEY_F(5):
      return KeyEvent(Key::F5);
    // The keypad's corners and centre, where the terminal database has them.
    case KEY_A1:
      return KeypadEvent(7);
    case KEY_A3:
      return KeypadEvent(9);
    case KEY_B2:
      return KeypadEvent(5);
    case KEY_C1:
      return KeypadEvent(1);
    case KEY_C3:
      return KeypadEvent(3);
    default:
      return InputEvent{};
  }
}

}  // namespace

struct CursesScreen::Terminal {
  SCREEN* screen = nullptr;
};

std::unique_ptr<CursesScreen> CursesScreen::Open(std::string& error) {
  auto terminal = std::make_unique<Terminal>();
  // newterm, unlike initscr, reports an unusable terminal instead of ending
  // the program.
  terminal->screen = newterm(nullptr, stdout, stdin);
  if (terminal->screen == nullptr) {
    const char* term = std::getenv("TERM");
    error = std::string("cannot use the terminal (TERM=") + (term ? term : "") + ")";
    return nullptr;
  }
  set_term(terminal->screen);
  // A terminal that cannot place the cursor (TERM=dumb) would get the
  // whole screen as one run of text.
  const char* cursorAddress = tigetstr("cup");
  if (cursorAddress == nullptr || cursorAddress == reinterpret_cast<const char*>(-1)) {
    endwin();
    delscreen(terminal->screen);
    const char* term = std::getenv("TERM");
    error = std::string("the terminal (TERM=") + (term ? term : "") + ") cannot place the cursor";
    return nullptr;
  }
  cbreak();
  noecho();
  nonl();
  keypad(stdscr, TRUE);
  curs_set(0);
  set_escdelay(50);
  // Presses and releases come separately, so that a button acts on release
  // over the place it was pressed, as a push button does.
  mouseinterval(0);
  mousemask(ALL_MOUSE_EVENTS, nullptr);
  for (int digit = 0; digit < 10; ++digit)
    if (key_defined(kKeypadSequences[digit]) == 0) define_key(kKeypadSequences[digit], kKeypadCodeBase + digit);
  return std::unique_ptr<CursesScreen>(new CursesScreen(std::move(terminal)));
}

CursesScreen::CursesScreen(std::unique_ptr<Terminal> terminal) : terminal_(std::move(terminal)) {}

CursesScreen::~CursesScreen() {
  endwin();
  delscreen(terminal_->screen);
}

int CursesScreen::Cols() const { return getmaxx(stdscr); }
int CursesScreen::Rows() const { return getmaxy(stdscr); }

void CursesScreen::Clear() { werase(stdscr); }

void CursesScreen::Fill(const Rect& area, const Rect& clip) {
  const Rect visible = Intersect(Intersect(area, clip), Whole());
  for (int row = visible.row; row < visible.Bottom(); ++row) mvwhline(stdscr, row, visible.col, ' ', visible.width);
}

void CursesScreen::Text(int col, int row, std::wstring_view text, int width, unsigned attr, const Rect& clip) {
  const Rect visible = Intersect(clip, Whole());
  if (row < visible.row || row >= visible.Bottom()) return;
  const int end = std::min(col + std::max(width, 0), visible.Right());
  const attr_t a = CursesAttr(attr);
  std::size_t i = 0;
  while (i < text.size() && col < end) {
    // One cell's worth: a character and the combining marks after it.
    wchar_t cluster[CCHARW_MAX + 1] = {};
    int n = 0;
    cluster[n++] = text[i++];
    while (i < text.size() && CellWidth(text[i]) == 0) {
      if (n < CCHARW_MAX) cluster[n++] = text[i];
      ++i;
    }
    const int w = CellWidth(cluster[0]);
    if (w == 0) continue;  // a mark with nothing to sit on
    if (col + w > end) break;
    if (col >= visible.col) {
      cchar_t cell;
      setcchar(&cell, cluster, a, 0, nullptr);
      mvwadd_wch(stdscr, row, col, &cell);
    }
    col += w;
  }
}

void CursesScreen::Frame(const Rect& box, unsigned attr, const Rect& clip) {
  if (box.width < 2 || box.height < 2) return;
  const Rect visible = Intersect(clip, Whole());
  wattr_on(stdscr, CursesAttr(attr), nullptr);
  const int right = box.Right() - 1, bottom = box.Bottom() - 1;
  for (int col = box.col + 1; col < right; ++col) {
    PutCell(col, box.row, WACS_HLINE, visible);
    PutCell(col, bottom, WACS_HLINE, visible);
  }
  for (int row = box.row + 1; row < bottom; ++row) {
    PutCell(box.col, row, WACS_VLINE, visible);
    PutCell(right, row, WACS_VLINE, visible);
  }
  PutCell(box.col, box.row, WACS_ULCORNER, visible);
  PutCell(right, box.row, WACS_URCORNER, visible);
  PutCell(box.col, bottom, WACS_LLCORNER, visible);
  PutCell(right, bottom, WACS_LRCORNER, visible);
  wattr_off(stdscr, CursesAttr(attr), nullptr);
}

void CursesScreen::FrameDivider(const Rect& frame, int row, const Rect& clip) {
  if (frame.width < 2) return;
  const Rect visible = Intersect(clip, Whole());
  PutCell(frame.col, row, WACS_LTEE, visible);
  for (int c = frame.col + 1; c < frame.Right() - 1; ++c) PutCell(c, row, WACS_HLINE, visible);
  PutCell(frame.Right() - 1, row, WACS_RTEE, visible);
}

void CursesScreen::Refresh() { wrefresh(stdscr); }

InputEvent CursesScreen::Read(int timeoutMs) {
  wtimeout(stdscr, timeoutMs);
  wint_t ch = 0;
  const int kind = wget_wch(stdscr, &ch);
  if (kind == ERR) return InputEvent{};
  if (kind == KEY_CODE_YES) return FunctionKeyEvent(ch);
  switch (ch) {
    case L'\t':
      return KeyEvent(Key::Tab);
    case L'\n':
    case L'\r':
      return KeyEvent(Key::Enter);
    case 27: {
      // Alt with a key arrives as Escape and the key at once; that is not a
      // press of Escape, and must not cancel the wizard.
      wtimeout(stdscr, 0);
      wint_t next = 0;
      const int nextKind = wget_wch(stdscr, &next);
      if (nextKind == ERR) return KeyEvent(Key::Escape);
      InputEvent e;
      if (nextKind == OK && next >= 0x20 && next != 0x7F) {
        e.type = InputEvent::Type::Char;
        e.ch = static_cast<wchar_t>(next);
        e.alt = true;
      }
      return e;
    }
    default:
      break;
  }
  if (ch < 0x20 || ch == 0x7F) return InputEvent{};
  InputEvent e;
  e.type = InputEvent::Type::Char;
  e.ch = static_cast<wchar_t>(ch);
  return e;
}

}  // namespace zr::tty
