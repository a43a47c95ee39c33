#include "ui/tty/layout.h"

#include <algorithm>
#include <cwchar>

#include "platform/text/codepage.h"
#include "wizard/page.h"

namespace zr::tty {
namespace {

bool IsLineBreak(wchar_t c) { return c == L'\n' || c == L'\r'; }

// Dialog units to cells, rounded to the nearest cell.
int Scale(int units, int num, int den) { return den <= 0 ? 0 : (units * num + den / 2) / den; }

// The scale that fits `size` units into `available` cells, kept between
// 1/`coarsest` (below that the template's lines and columns run together)
// and 1/`finest` (above that the page only spreads out).
void FitScale(int size, int available, int finest, int coarsest, int& num, int& den) {
  size = std::max(size, 1);
  if (available * finest >= size) {
    num = 1, den = finest;
  } else if (available * coarsest < size) {
    num = 1, den = coarsest;
  } else {
    num = available, den = size;
  }
}

bool IsTextControl(res::ControlKind kind) {
  return kind != res::ControlKind::GroupBox && kind != res::ControlKind::Edit;
}

bool IsFocusable(res::ControlKind kind) {
  return kind == res::ControlKind::CheckBox || kind == res::ControlKind::RadioButton || kind == res::ControlKind::Edit;
}

bool RowsOverlap(const Rect& a, const Rect& b) { return a.row < b.Bottom() && b.row < a.Bottom(); }

// Rows of the frame that are not the page: its top line, then below the
// page a line, the buttons, the status, the hints and its bottom line.
constexpr int kFrameRowsBesidePage = 6;
// Columns of the frame that are not the page: a border and a margin on
// either side.
constexpr int kFrameColsBesidePage = 4;
// Every button is as wide as the widest label, in "[ " ... " ]".
constexpr int kButtonLabelCells = 10;
constexpr int kButtonCells = kButtonLabelCells + 4;

}  // namespace

// ---- text in cells ----------------------------------------------------------

std::wstring Widen(std::string_view utf8) {
  const std::u16string units = text::Utf16FromUtf8(utf8);
  std::wstring out;
  out.reserve(units.size());
  for (std::size_t i = 0; i < units.size(); ++i) {
    char32_t c = units[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      ++i;
    }
    wchar_t w = static_cast<wchar_t>(c);
    if (w == L'\t')
      w = L' ';
    else if (!IsLineBreak(w) && ::wcwidth(w) < 0)
      w = L'?';
    out += w;
  }
  return out;
}

int CellWidth(wchar_t c) {
  const int width = ::wcwidth(c);
  return width < 0 ? 1 : width;
}

int DisplayWidth(std::wstring_view text) {
  int width = 0;
  for (wchar_t c : text) width += CellWidth(c);
  return width;
}

std::wstring CutToWidth(std::wstring_view text, int width) {
  int used = 0;
  std::size_t end = 0;
  while (end < text.size()) {
    const int w = CellWidth(text[end]);
    if (used + w > width) break;
    used += w;
    ++end;
  }
  // A combining mark that follows the last kept character needs no cell of
  // its own, so the loop kept it; one that follows a dropped character was
  // never reached.
  return std::wstring(text.substr(0, end));
}

std::wstring FitToWidth(std::wstring_view text, int width) {
  if (DisplayWidth(text) <= width) return std::wstring(text);
  if (width <= 0) return {};
  return CutToWidth(text, width - 1) + L"\u2026";
}

std::wstring SliceCells(std::wstring_view line, int firstColumn, int width) {
  std::size_t at = 0;
  int column = 0;
  while (at < line.size() && column + CellWidth(line[at]) <= firstColumn) column += CellWidth(line[at++]);
  while (at < line.size() && CellWidth(line[at]) == 0) ++at;  // marks of a character scrolled away
  std::wstring shown;
  if (column < firstColumn && at < line.size()) {  // a wide character across the left edge
    shown.assign(static_cast<std::size_t>(column + CellWidth(line[at]) - firstColumn), L' ');
    ++at;
  }
  return CutToWidth(shown + std::wstring(line.substr(at)), width);
}

std::vector<std::wstring> SplitLines(std::wstring_view text) {
  std::vector<std::wstring> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!IsLineBreak(text[i])) continue;
    lines.emplace_back(text.substr(start, i - start));
    if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
    start = i + 1;
  }
  lines.emplace_back(text.substr(start));
  return lines;
}

std::vector<std::wstring> WrapToWidth(std::wstring_view text, int width) {
  width = std::max(width, 1);
  std::vector<std::wstring> pieces;
  for (const std::wstring& line : SplitLines(text)) {
    std::wstring_view rest = line;
    do {
      std::wstring piece = CutToWidth(rest, width);
      // A character wider than the whole width still has to go somewhere.
      if (piece.empty() && !rest.empty()) {
        std::size_t n = 1;
        while (n < rest.size() && CellWidth(rest[n]) == 0) ++n;
        piece = std::wstring(rest.substr(0, n));
      }
      rest.remove_prefix(piece.size());
      pieces.push_back(std::move(piece));
    } while (!rest.empty());
  }
  return pieces;
}

// ---- the screen -------------------------------------------------------------

ScreenLayout LayoutScreen(int cols, int rows, const res::Dialog& dialog) {
  ScreenLayout s;
  s.cols = std::max(cols, 0);
  s.rows = std::max(rows, 0);
  // Across, half a cell a unit shows the page at its most spacious; a
  // quarter is about the real proportion of a half-width glyph. Down, one
  // text line of a template is 8 units; at 1/6 the page breathes, at 1/8
  // its lines still stay apart.
  FitScale(dialog.width, s.cols - kFrameColsBesidePage, 2, 4, s.scaleXNum, s.scaleXDen);
  FitScale(dialog.height, s.rows - kFrameRowsBesidePage, 6, 8, s.scaleYNum, s.scaleYDen);
  const int pageCols = Scale(std::max(dialog.width, 1), s.scaleXNum, s.scaleXDen);
  const int pageRows = Scale(std::max(dialog.height, 1), s.scaleYNum, s.scaleYDen);

  // A window centred on the screen; on a screen too small for it, the page
  // gives up its right and bottom parts so that the buttons stay in view.
  s.frame.width = std::min(s.cols, pageCols + kFrameColsBesidePage);
  s.frame.height = std::min(s.rows, pageRows + kFrameRowsBesidePage);
  s.frame.col = (s.cols - s.frame.width) / 2;
  s.frame.row = (s.rows - s.frame.height) / 2;
  s.page.col = s.frame.col + 2;
  s.page.row = s.frame.row + 1;
  s.page.width = std::max(0, s.frame.width - kFrameColsBesidePage);
  s.page.height = std::max(0, s.frame.height - kFrameRowsBesidePage);
  s.separatorRow = s.page.Bottom();
  s.buttonRow = s.separatorRow + 1;
  s.statusRow = s.buttonRow + 1;
  s.hintRow = s.statusRow + 1;
  return s;
}

std::vector<PlacedControl> PlaceControls(const ScreenLayout& screen, const res::Dialog& dialog) {
  std::vector<PlacedControl> placed;
  for (const res::Control& c : dialog.controls) {
    if (!c.visible) continue;
    PlacedControl p;
    p.control = &c;
    p.box.col = screen.page.col + Scale(c.x, screen.scaleXNum, screen.scaleXDen);
    p.box.row = screen.page.row + Scale(c.y, screen.scaleYNum, screen.scaleYDen);
    p.box.width = std::max(1, screen.page.col + Scale(c.x + c.width, screen.scaleXNum, screen.scaleXDen) - p.box.col);
    p.box.height =
        IsTextControl(c.kind)
            ? 1
            : std::max(1, screen.page.row + Scale(c.y + c.height, screen.scaleYNum, screen.scaleYDen) - p.box.row);
    placed.push_back(p);
  }
  for (PlacedControl& p : placed) {
    if (!IsTextControl(p.control->kind)) {
      p.reach = std::max(0, std::min(p.box.width, screen.page.Right() - p.box.col));
      continue;
    }
    int end = screen.page.Right();
    for (const PlacedControl& other : placed) {
      if (&other == &p) continue;
      if (other.control->kind == res::ControlKind::GroupBox && other.box.Contains(p.box.col, p.box.row) &&
          other.box.col < p.box.col) {
        end = std::min(end, other.box.Right() - 2);  // a space before the group's right border
      } else if (RowsOverlap(other.box, p.box) && other.box.col > p.box.col) {
        end = std::min(end, other.box.col - 1);  // a space before the next control
      }
    }
    p.reach = std::max(0, end - p.box.col);
  }
  return placed;
}

int TextColumn(const PlacedControl& placed, int width) {
  if (placed.control->align == res::Align::Centre && width <= placed.box.width)
    return placed.box.col + (placed.box.width - width) / 2;
  return placed.box.col;
}

// ---- buttons and focus ------------------------------------------------------

std::string_view ButtonLabel(Button button) {
  switch (button) {
    case Button::Back:
      return "< 戻る(B)";
    case Button::Next:
      return "次へ(N) >";
    case Button::Finish:
      return "完了";
    case Button::Cancel:
      return "キャンセル";
  }
  return "";
}

std::vector<PlacedButton> PlaceButtons(const ScreenLayout& screen, int buttonFlags) {
  const bool finish = (buttonFlags & kButtonFinish) != 0;
  std::vector<PlacedButton> buttons = {
      {Button::Back, (buttonFlags & kButtonBack) != 0, {}},
      {finish ? Button::Finish : Button::Next, finish || (buttonFlags & kButtonNext) != 0, {}},
      {Button::Cancel, true, {}},
  };
  // Back and Next sit together, Cancel a little apart, as in a wizard.
  const int gaps[] = {0, 1, 2};
  int total = 0;
  for (std::size_t i = 0; i < buttons.size(); ++i) total += gaps[i] + kButtonCells;
  const int right = screen.frame.Right() - 2;
  int col = std::max(screen.frame.col + 2, right - total);
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    col += gaps[i];
    buttons[i].box = Rect{col, screen.buttonRow, kButtonCells, 1};
    col += kButtonCells;
  }
  return buttons;
}

std::vector<FocusTarget> FocusOrder(const res::Dialog& dialog, int buttonFlags) {
  std::vector<FocusTarget> order;
  for (const res::Control& c : dialog.controls)
    if (c.visible && c.id != res::kNoId && IsFocusable(c.kind)) order.push_back(FocusTarget{false, c.id});
  // Buttons in screen order; the placement does not matter here.
  for (const PlacedButton& b : PlaceButtons(ScreenLayout{}, buttonFlags))
    if (b.enabled) order.push_back(FocusTarget{true, res::kNoId, b.button});
  return order;
}

std::optional<Button> DefaultButton(int buttonFlags) {
  if (buttonFlags & kButtonFinish) return Button::Finish;
  if (buttonFlags & kButtonNext) return Button::Next;
  return std::nullopt;
}

std::optional<FocusTarget> InitialFocus(const std::vector<FocusTarget>& order, int buttonFlags) {
  if (order.empty()) return std::nullopt;
  if (!order.front().isButton) return order.front();
  if (const auto button = DefaultButton(buttonFlags)) {
    const FocusTarget target{true, res::kNoId, *button};
    if (std::find(order.begin(), order.end(), target) != order.end()) return target;
  }
  return order.front();
}

std::optional<FocusTarget> MoveFocus(const std::vector<FocusTarget>& order, const std::optional<FocusTarget>& current,
                                     int step) {
  if (order.empty()) return std::nullopt;
  const auto at = current ? std::find(order.begin(), order.end(), *current) : order.end();
  if (at == order.end()) return order.front();
  const auto n = static_cast<std::ptrdiff_t>(order.size());
  const std::ptrdiff_t index = ((at - order.begin()) + (step < 0 ? -1 : 1) + n) % n;
  return order[static_cast<std::size_t>(index)];
}

std::optional<FocusTarget> HitTest(const std::vector<PlacedControl>& controls, const std::vector<PlacedButton>& buttons,
                                   int col, int row) {
  for (const PlacedButton& b : buttons)
    if (b.box.Contains(col, row)) return FocusTarget{true, res::kNoId, b.button};
  for (const PlacedControl& p : controls) {
    if (!IsFocusable(p.control->kind) || p.control->id == res::kNoId) continue;
    const Rect cells = IsTextControl(p.control->kind) ? Rect{p.box.col, p.box.row, p.reach, 1} : p.box;
    if (cells.Contains(col, row)) return FocusTarget{false, p.control->id};
  }
  return std::nullopt;
}

// ---- the message box --------------------------------------------------------

MessageBoxLayout LayoutMessageBox(int cols, int rows, std::wstring_view caption, std::wstring_view text) {
  constexpr int kOkCells = 6;  // "[ OK ]"
  MessageBoxLayout m;
  // A border and a margin either side of the text, and a column of screen
  // left around the box when there is one to spare.
  const int widest = std::max(1, cols - 6);
  m.lines = WrapToWidth(text, widest);
  int inner = std::max(DisplayWidth(caption) + 2, kOkCells);
  for (const std::wstring& line : m.lines) inner = std::max(inner, DisplayWidth(line));
  inner = std::min(inner, widest);
  // Top line, text, a blank line, the OK button, bottom line.
  const int spareRows = std::max(0, rows - 4);
  if (static_cast<int>(m.lines.size()) > spareRows) m.lines.resize(static_cast<std::size_t>(spareRows));
  const int lineCount = static_cast<int>(m.lines.size());
  m.box.width = std::min(std::max(cols, 0), inner + 4);
  m.box.height = std::min(std::max(rows, 0), lineCount + 4);
  m.box.col = (std::max(cols, 0) - m.box.width) / 2;
  m.box.row = (std::max(rows, 0) - m.box.height) / 2;
  m.lineArea = Rect{m.box.col + 2, m.box.row + 1, std::max(0, m.box.width - 4), lineCount};
  m.okButton = Rect{m.box.col + (m.box.width - kOkCells) / 2, m.box.Bottom() - 2, kOkCells, 1};
  return m;
}

}  // namespace zr::tty
