// The terminal wizard's geometry, without the terminal: text measured in
// character cells, the page's dialog-unit rectangles mapped onto cells, the
// button row, the message box, the focus order and what a click hits. The
// curses front end draws what this computes; tests check it directly.
//
// Widths come from wcwidth(), as curses measures them, so the process must
// run in a UTF-8 locale for Japanese text to count two cells a character.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "res/dialogs.h"

namespace zr::tty {

// ---- text in cells ----------------------------------------------------------

// UTF-8 as wide characters; a malformed sequence becomes U+FFFD, and a
// character the terminal cannot show as it stands (a control character, a
// tab) becomes '?' or a space, so that every character has a known width.
// Line breaks are kept for SplitLines.
std::wstring Widen(std::string_view utf8);

// Cells one character takes: 2 for wide (CJK) characters, 0 for combining
// marks, 1 otherwise.
int CellWidth(wchar_t c);
int DisplayWidth(std::wstring_view text);

// The longest beginning of `text` that fits `width` cells; a wide character
// that would straddle the limit is left out whole, and combining marks stay
// with the character they belong to.
std::wstring CutToWidth(std::wstring_view text, int width);

// `text` cut to `width` cells as CutToWidth does; a text that does not fit
// ends with "…" in its last cell instead, so that no cut passes unseen.
std::wstring FitToWidth(std::wstring_view text, int width);

// The cells of `line` from cell `firstColumn` on, at most `width` of them: a
// line scrolled sideways. A wide character cut by the left edge shows as a
// space, so that what follows stays in its column.
std::wstring SliceCells(std::wstring_view line, int firstColumn, int width);

// Lines split at "\r\n", "\n" and "\r".
std::vector<std::wstring> SplitLines(std::wstring_view text);

// Lines split as SplitLines does, and each line folded so that no piece is
// wider than `width` cells (a character wider than `width` gets a piece of
// its own).
std::vector<std::wstring> WrapToWidth(std::wstring_view text, int width);

// ---- the screen -------------------------------------------------------------

struct Rect {
  int col = 0, row = 0, width = 0, height = 0;
  int Right() const { return col + width; }    // one past the last column
  int Bottom() const { return row + height; }  // one past the last row
  bool Contains(int c, int r) const { return c >= col && c < Right() && r >= row && r < Bottom(); }
};

// Where the parts of the wizard go on a terminal of cols x rows: a frame
// with the caption on its top line; the page; a line; the buttons; a status
// line; a line of key hints; the frame's bottom line. On a terminal too small
// for the whole page the page area is cut (controls outside it are clipped),
// and on one too small for even that, parts lie off screen.
struct ScreenLayout {
  int cols = 0, rows = 0;
  Rect frame;                        // the window, centred on the screen
  Rect page;                         // the dialog's (0,0) maps to page.col, page.row
  int scaleXNum = 1, scaleXDen = 2;  // cells per dialog unit, across
  int scaleYNum = 1, scaleYDen = 8;  // and down
  int separatorRow = 0;
  int buttonRow = 0;
  int statusRow = 0;
  int hintRow = 0;
};

ScreenLayout LayoutScreen(int cols, int rows, const res::Dialog& dialog);

// A visible control in cells. Text controls take one line. `reach` is how
// many cells of text the control can show from box.col: up to the next
// control on its line, the border of the group box around it, or the page's
// edge, since a terminal's cells are coarser than the dialog units the
// template was drawn in and Japanese text would otherwise lose its end.
struct PlacedControl {
  const res::Control* control = nullptr;
  Rect box;
  int reach = 0;
};

// The visible controls of `dialog`, in template order.
std::vector<PlacedControl> PlaceControls(const ScreenLayout& screen, const res::Dialog& dialog);

// Where `width` cells of text start in a placed control: centred statics
// are centred in their box when the text fits it.
int TextColumn(const PlacedControl& placed, int width);

// ---- buttons and focus ------------------------------------------------------

enum class Button { Back, Next, Finish, Cancel };

// The labels with their access keys, as a Japanese wizard shows them; Alt
// with the key presses the button.
std::string_view ButtonLabel(Button button);

struct PlacedButton {
  Button button;
  bool enabled;
  Rect box;  // one line: "[ label ]", labels centred in equal widths
};

// The sheet's buttons for the wizard-button flags (kButtonBack, kButtonNext,
// kButtonFinish): Back, then Finish in Next's place when Finish is enabled,
// then Cancel; right-aligned on the button row.
std::vector<PlacedButton> PlaceButtons(const ScreenLayout& screen, int buttonFlags);

// What can hold the keyboard: a check box, a radio button, the edit box
// (by control id), or a sheet button.
struct FocusTarget {
  bool isButton = false;
  int controlId = res::kNoId;
  Button button = Button::Next;
  friend bool operator==(const FocusTarget&, const FocusTarget&) = default;
};

// Tab order: the page's visible check boxes, radio buttons and edit boxes in
// template order, then the enabled buttons.
std::vector<FocusTarget> FocusOrder(const res::Dialog& dialog, int buttonFlags);

// Where the focus goes when a page comes up: its first control, else the
// button Enter presses (Finish or Next), else the first enabled button.
std::optional<FocusTarget> InitialFocus(const std::vector<FocusTarget>& order, int buttonFlags);

// The button Enter presses when the focus is not on a button.
std::optional<Button> DefaultButton(int buttonFlags);

// The target after (step 1) or before (step -1) `current`, wrapping; the
// first one when `current` is not in the order any more.
std::optional<FocusTarget> MoveFocus(const std::vector<FocusTarget>& order, const std::optional<FocusTarget>& current,
                                     int step);

// What a click at (col, row) lands on: a check box, radio button or edit
// box by the cells it shows, or a button (enabled or not: the caller
// decides).
std::optional<FocusTarget> HitTest(const std::vector<PlacedControl>& controls, const std::vector<PlacedButton>& buttons,
                                   int col, int row);

// ---- the message box --------------------------------------------------------

struct MessageBoxLayout {
  Rect box;                         // the frame, caption on its top line
  std::vector<std::wstring> lines;  // the text, folded to fit
  Rect lineArea;                    // where the lines go
  Rect okButton;
};

// A box centred on the screen, as wide as its text needs and the screen
// allows; lines that do not fit are folded, rows that do not fit are left
// out.
MessageBoxLayout LayoutMessageBox(int cols, int rows, std::wstring_view caption, std::wstring_view text);

}  // namespace zr::tty
