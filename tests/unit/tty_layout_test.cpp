// The terminal wizard's geometry: Japanese and ASCII text measured and cut
// in cells, the templates mapped onto an 80x24 terminal without text
// running into other controls, the focus order, clicks, and the message box.
#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "app/page.h"
#include "ui/tty/layout.h"

namespace zr::tty {
namespace {

// wcwidth() measures by the locale's character type, as curses does; the
// program runs in a UTF-8 one.
class TtyLayout : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* current = std::setlocale(LC_CTYPE, nullptr);
    saved_ = current != nullptr ? current : "C";
    ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr) << "the tests need the C.UTF-8 locale";
  }
  void TearDown() override { std::setlocale(LC_CTYPE, saved_.c_str()); }

 private:
  std::string saved_;
};

constexpr int kTemplates[] = {129, 130, 131, 132, 134, 135, 136, 137};

const res::Dialog& Template(int id) {
  const res::Dialog* dialog = res::FindDialog(id);
  if (dialog == nullptr) throw std::runtime_error("no template " + std::to_string(id));
  return *dialog;
}

bool Inside(const Rect& inner, const Rect& outer) {
  return inner.col >= outer.col && inner.row >= outer.row && inner.Right() <= outer.Right() &&
         inner.Bottom() <= outer.Bottom();
}

TEST_F(TtyLayout, MeasuresTextInCells) {
  struct Row {
    const char* utf8;
    int cells;
  } rows[] = {
      {"", 0},
      {"Next", 4},
      {"USBモデム", 9},
      {"USBドライバ　アンインストール", 29},  // the ideographic space is wide too
      {"OS : Windows XP (5.1.2600 / 2)", 30},
      {"ｱｲｳ", 3},                            // half-width katakana
      {"※「次へ」", 9},                      // ※ is of ambiguous width: one cell, as curses counts it
      {"e\xCC\x81", 1},                      // a combining accent takes no cell
      {"\xF0\x9F\x98\x80!", 3},              // beyond the BMP: one wide character
      {"a\tb", 3},                           // a tab shows as one space
      {"\x01x", 2},                          // a control character shows as '?'
      {"\xFF\xFE", 2},                       // malformed UTF-8: a replacement character each
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.utf8);
    EXPECT_EQ(DisplayWidth(Widen(row.utf8)), row.cells);
  }
  // What curses would show in more cells than counted (^A), or not at all,
  // is replaced before it is measured; line breaks stay for the line split.
  EXPECT_EQ(Widen("a\tb\x01\x7F\xC2\x85"), L"a b???");
  EXPECT_EQ(Widen("\xFF"), L"\uFFFD");
  EXPECT_EQ(Widen("a\r\nb"), L"a\r\nb");
}

TEST_F(TtyLayout, CutsWithoutSplittingACharacter) {
  struct Row {
    const char* utf8;
    int width;
    const char* expected;
  } rows[] = {
      {"USBモデム", 9, "USBモデム"},
      {"USBモデム", 100, "USBモデム"},
      {"USBモデム", 5, "USBモ"},
      {"USBモデム", 4, "USB"},  // モ would need cells 4 and 5
      {"USBモデム", 0, ""},
      {"USBモデム", -3, ""},
      {"管理者", 1, ""},
      {"ae\xCC\x81x", 2, "ae\xCC\x81"},  // the accent stays with its letter
      {"a\xE3\x80\x80", 2, "a"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.utf8) + " in " + std::to_string(row.width));
    const std::wstring cut = CutToWidth(Widen(row.utf8), row.width);
    EXPECT_EQ(cut, Widen(row.expected));
    EXPECT_LE(DisplayWidth(cut), std::max(row.width, 0));
  }
}

TEST_F(TtyLayout, SplitsAndFoldsLines) {
  EXPECT_EQ(SplitLines(L"a\r\nb\nc\rd"), (std::vector<std::wstring>{L"a", L"b", L"c", L"d"}));
  EXPECT_EQ(SplitLines(L"a\r\n"), (std::vector<std::wstring>{L"a", L""}));
  EXPECT_EQ(SplitLines(L""), (std::vector<std::wstring>{L""}));

  struct Row {
    const char* utf8;
    int width;
    std::vector<const char*> pieces;
  } rows[] = {
      {"管理者権限で", 5, {"管理", "者権", "限で"}},
      {"管理者権限で", 4, {"管理", "者権", "限で"}},
      {"ab管", 3, {"ab", "管"}},
      {"管理", 1, {"管", "理"}},  // wider than the width: a piece each
      {"終了\r\nOK", 40, {"終了", "OK"}},
      {"", 10, {""}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.utf8) + " in " + std::to_string(row.width));
    std::vector<std::wstring> expected;
    for (const char* piece : row.pieces) expected.push_back(Widen(piece));
    EXPECT_EQ(WrapToWidth(Widen(row.utf8), row.width), expected);
  }
}

// Every template on the smallest terminal we promise: the page whole, each
// control inside it, and no text able to run into a neighbour's cells.
TEST_F(TtyLayout, TemplatesFitAnEightyByTwentyFourTerminal) {
  for (int id : kTemplates) {
    SCOPED_TRACE("template " + std::to_string(id));
    const res::Dialog& dialog = Template(id);
    const ScreenLayout s = LayoutScreen(80, 24, dialog);
    EXPECT_TRUE(Inside(s.frame, Rect{0, 0, 80, 24}));
    EXPECT_LT(s.frame.row, s.page.row);
    EXPECT_EQ(s.hintRow, s.frame.Bottom() - 2);
    EXPECT_EQ(s.page.width, (dialog.width * s.scaleXNum + s.scaleXDen / 2) / s.scaleXDen) << "the page is cut across";
    EXPECT_EQ(s.page.height, (dialog.height * s.scaleYNum + s.scaleYDen / 2) / s.scaleYDen) << "the page is cut down";

    const std::vector<PlacedControl> placed = PlaceControls(s, dialog);
    std::size_t visible = 0;
    for (const res::Control& c : dialog.controls) visible += c.visible ? 1 : 0;
    ASSERT_EQ(placed.size(), visible);

    for (const PlacedControl& p : placed) {
      SCOPED_TRACE(std::string(p.control->text) + " #" + std::to_string(p.control->id));
      EXPECT_TRUE(p.control->visible);
      EXPECT_TRUE(Inside(p.box, s.page));
      EXPECT_LE(p.box.col + p.reach, s.page.Right());
      const bool text = p.control->kind != res::ControlKind::GroupBox && p.control->kind != res::ControlKind::Edit;
      if (!text) continue;
      // The template's own texts show whole ("Static" stands for a text the
      // page sets).
      const int mark = p.control->kind == res::ControlKind::Static ? 0 : 4;
      EXPECT_LE(DisplayWidth(Widen(p.control->text)) + mark, p.reach);
      for (const PlacedControl& q : placed) {
        if (&q == &p) continue;
        const Rect cells{p.box.col, p.box.row, p.reach, 1};
        if (q.control->kind == res::ControlKind::GroupBox) {
          // A text inside a group box stops short of its border, and one
          // outside it stays off its lines.
          if (q.box.Contains(p.box.col, p.box.row)) {
            EXPECT_LT(cells.Right(), q.box.Right() - 1);
          } else {
            EXPECT_FALSE(cells.row >= q.box.row && cells.row < q.box.Bottom() && cells.col < q.box.Right() &&
                         q.box.col < cells.Right());
          }
          continue;
        }
        const Rect other = q.control->kind == res::ControlKind::Edit ? q.box : Rect{q.box.col, q.box.row, q.reach, 1};
        const bool overlap = cells.col < other.Right() && other.col < cells.Right() && cells.row < other.Bottom() &&
                             other.row < cells.Bottom();
        EXPECT_FALSE(overlap) << "runs into " << std::string(q.control->text) << " #" << q.control->id;
      }
    }

    const std::vector<PlacedButton> buttons = PlaceButtons(s, kButtonBack | kButtonNext);
    ASSERT_EQ(buttons.size(), 3u);
    for (std::size_t i = 0; i < buttons.size(); ++i) {
      EXPECT_TRUE(Inside(buttons[i].box, Rect{s.frame.col + 1, s.frame.row, s.frame.width - 2, s.frame.height}));
      EXPECT_EQ(buttons[i].box.row, s.buttonRow);
      EXPECT_GE(buttons[i].box.width, DisplayWidth(Widen(ButtonLabel(buttons[i].button))) + 4);
      if (i > 0) {
        EXPECT_LE(buttons[i - 1].box.Right(), buttons[i].box.col);
      }
    }
  }
}

TEST_F(TtyLayout, KeepsTheButtonsInViewWhenThePageDoesNotFit) {
  struct Row {
    int cols, rows;
  } rows[] = {{80, 24}, {100, 30}, {200, 60}, {60, 14}, {40, 10}, {10, 4}, {1, 1}, {0, 0}};
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.cols) + "x" + std::to_string(row.rows));
    const ScreenLayout s = LayoutScreen(row.cols, row.rows, Template(129));
    EXPECT_TRUE(Inside(s.frame, Rect{0, 0, row.cols, row.rows}));
    EXPECT_GE(s.page.width, 0);
    EXPECT_GE(s.page.height, 0);
    if (row.rows >= 6) {
      EXPECT_EQ(s.hintRow, s.frame.Bottom() - 2) << "the bottom rows move up with the frame";
    }
    for (const PlacedControl& p : PlaceControls(s, Template(129))) {
      EXPECT_GE(p.reach, 0);
      EXPECT_GE(p.box.width, 1);
    }
  }
  // On a wide terminal the page does not spread beyond half a cell a unit.
  EXPECT_EQ(LayoutScreen(300, 80, Template(129)).page.width, 125);
}

TEST_F(TtyLayout, CentresCentredStatics) {
  const ScreenLayout s = LayoutScreen(80, 24, Template(136));
  for (const PlacedControl& p : PlaceControls(s, Template(136))) {
    SCOPED_TRACE(p.control->id);
    if (p.control->align == res::Align::Centre) {
      EXPECT_EQ(TextColumn(p, 10), p.box.col + (p.box.width - 10) / 2);
      EXPECT_EQ(TextColumn(p, p.box.width + 1), p.box.col) << "too wide to centre: from the left";
    } else {
      EXPECT_EQ(TextColumn(p, 10), p.box.col);
    }
  }
}

FocusTarget OnControl(int id) { return FocusTarget{false, id}; }
FocusTarget OnButton(Button b) { return FocusTarget{true, res::kNoId, b}; }

TEST_F(TtyLayout, FocusGoesOverVisibleControlsAndEnabledButtons) {
  struct Row {
    int dialog;
    int flags;
    std::vector<FocusTarget> order;
    FocusTarget initial;
  } rows[] = {
      // 1002 (USB-LAN) is hidden; Back is off on the first page.
      {129, kButtonNext, {OnControl(1001), OnButton(Button::Next), OnButton(Button::Cancel)}, OnControl(1001)},
      {134, kButtonNext,
       {OnControl(1007), OnControl(1008), OnButton(Button::Next), OnButton(Button::Cancel)}, OnControl(1007)},
      {130, kButtonBack | kButtonNext,
       {OnControl(1009), OnButton(Button::Back), OnButton(Button::Next), OnButton(Button::Cancel)}, OnControl(1009)},
      // No controls: Enter's button takes the focus, not Back.
      {131, kButtonBack | kButtonNext,
       {OnButton(Button::Back), OnButton(Button::Next), OnButton(Button::Cancel)}, OnButton(Button::Next)},
      // Finish replaces Next.
      {132, kButtonFinish, {OnButton(Button::Finish), OnButton(Button::Cancel)}, OnButton(Button::Finish)},
      {132, kButtonBack | kButtonNext | kButtonFinish,
       {OnButton(Button::Back), OnButton(Button::Finish), OnButton(Button::Cancel)}, OnButton(Button::Finish)},
      // Nothing to press but Cancel.
      {131, 0, {OnButton(Button::Cancel)}, OnButton(Button::Cancel)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE("template " + std::to_string(row.dialog) + " buttons " + std::to_string(row.flags));
    const std::vector<FocusTarget> order = FocusOrder(Template(row.dialog), row.flags);
    EXPECT_EQ(order, row.order);
    EXPECT_EQ(InitialFocus(order, row.flags), row.initial);
  }
}

TEST_F(TtyLayout, TabWrapsAround) {
  const std::vector<FocusTarget> order = FocusOrder(Template(134), kButtonBack | kButtonNext);
  ASSERT_EQ(order.size(), 5u);
  std::optional<FocusTarget> focus = order.front();
  for (std::size_t i = 1; i <= order.size(); ++i) {
    focus = MoveFocus(order, focus, 1);
    EXPECT_EQ(focus, order[i % order.size()]);
  }
  EXPECT_EQ(MoveFocus(order, order.front(), -1), order.back());
  EXPECT_EQ(MoveFocus(order, order.back(), 1), order.front());
  // The focus was on something that is gone (a button turned off).
  EXPECT_EQ(MoveFocus(order, OnButton(Button::Finish), 1), order.front());
  EXPECT_EQ(MoveFocus({}, std::nullopt, 1), std::nullopt);
}

TEST_F(TtyLayout, ClicksLandOnWhatIsShown) {
  const ScreenLayout s = LayoutScreen(80, 24, Template(129));
  const std::vector<PlacedControl> controls = PlaceControls(s, Template(129));
  const std::vector<PlacedButton> buttons = PlaceButtons(s, kButtonNext);
  const PlacedControl* modem = nullptr;
  const PlacedControl* group = nullptr;
  for (const PlacedControl& p : controls) {
    if (p.control->id == 1001) modem = &p;
    if (p.control->kind == res::ControlKind::GroupBox) group = &p;
  }
  ASSERT_NE(modem, nullptr);
  ASSERT_NE(group, nullptr);
  // The check box's mark and its label.
  EXPECT_EQ(HitTest(controls, buttons, modem->box.col, modem->box.row), OnControl(1001));
  EXPECT_EQ(HitTest(controls, buttons, modem->box.col + 6, modem->box.row), OnControl(1001));
  // Left of it, and on the line below: the group box's inside.
  EXPECT_EQ(HitTest(controls, buttons, modem->box.col - 1, modem->box.row), std::nullopt);
  EXPECT_EQ(HitTest(controls, buttons, modem->box.col, modem->box.row + 1), std::nullopt);
  // Where the hidden USB-LAN box would be.
  const int hiddenRow = s.page.row + (65 * s.scaleYNum + s.scaleYDen / 2) / s.scaleYDen;
  EXPECT_EQ(HitTest(controls, buttons, modem->box.col, hiddenRow), std::nullopt);
  // Buttons, the disabled Back among them: pressing it is the caller's call.
  for (const PlacedButton& b : buttons) {
    SCOPED_TRACE(std::string(ButtonLabel(b.button)));
    EXPECT_EQ(HitTest(controls, buttons, b.box.col, b.box.row), OnButton(b.button));
    EXPECT_EQ(HitTest(controls, buttons, b.box.Right() - 1, b.box.row), OnButton(b.button));
  }
  EXPECT_EQ(buttons[0].enabled, false);
}

// Where cells are scarce a label runs past the template's rectangle; the
// whole label takes the click.
TEST_F(TtyLayout, ClicksLandOnALabelLongerThanItsRectangle) {
  const ScreenLayout s = LayoutScreen(60, 24, Template(134));
  const std::vector<PlacedControl> controls = PlaceControls(s, Template(134));
  bool longer = false;
  for (const PlacedControl& p : controls) {
    if (p.control->kind != res::ControlKind::RadioButton) continue;
    SCOPED_TRACE(p.control->id);
    const int label = 4 + DisplayWidth(Widen(p.control->text));
    longer = longer || label > p.box.width;
    EXPECT_EQ(HitTest(controls, {}, p.box.col + label - 1, p.box.row), OnControl(p.control->id));
  }
  EXPECT_TRUE(longer) << "no label runs past its rectangle here: the case is not covered";
}

TEST_F(TtyLayout, MessageBoxFitsItsTextAndTheScreen) {
  const std::wstring caption = Widen("アクセス権エラー");
  const std::wstring text = Widen("管理者権限でログオンする必要があります。\r\nアプリケーションを終了します。");
  struct Row {
    int cols, rows;
    std::size_t lines;
  } rows[] = {{80, 24, 2}, {100, 30, 2}, {30, 24, 4}, {30, 6, 2}, {30, 4, 0}, {3, 2, 0}, {0, 0, 0}};
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.cols) + "x" + std::to_string(row.rows));
    const MessageBoxLayout m = LayoutMessageBox(row.cols, row.rows, caption, text);
    EXPECT_TRUE(Inside(m.box, Rect{0, 0, row.cols, row.rows}));
    EXPECT_EQ(m.lines.size(), row.lines);
    for (const std::wstring& line : m.lines) EXPECT_LE(DisplayWidth(line), m.lineArea.width);
    if (row.rows < 5) continue;
    EXPECT_TRUE(Inside(m.lineArea, m.box));
    EXPECT_TRUE(Inside(m.okButton, m.box));
    EXPECT_LE(m.lineArea.Bottom(), m.okButton.row - 1) << "a blank line before OK";
    EXPECT_LE(std::abs((m.box.col - 0) - (row.cols - m.box.Right())), 1) << "centred";
  }
  // As wide as the longer line needs, no wider.
  const MessageBoxLayout m = LayoutMessageBox(80, 24, caption, text);
  EXPECT_EQ(m.lineArea.width, 40);
  EXPECT_EQ(m.lines[0], Widen("管理者権限でログオンする必要があります。"));
}

}  // namespace
}  // namespace zr::tty
