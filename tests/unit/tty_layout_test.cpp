// The terminal wizard's geometry: text measured and cut in cells, the
// templates mapped onto an 80x24 terminal without text running into other
// controls, and the focus order.
#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>

#include "ui/tty/layout.h"
#include "wizard/page.h"

namespace zr::tty {
namespace {

// wcwidth() measures by the locale's character type, as curses does; the
// program runs in a UTF-8 one.
class TtyLayout : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr); }
  void TearDown() override { std::setlocale(LC_CTYPE, "C"); }
};

bool Inside(const Rect& in, const Rect& out) {
  return in.col >= out.col && in.row >= out.row && in.Right() <= out.Right() && in.Bottom() <= out.Bottom();
}
bool Overlap(const Rect& a, const Rect& b) {
  return a.col < b.Right() && b.col < a.Right() && a.row < b.Bottom() && b.row < a.Bottom();
}

TEST_F(TtyLayout, MeasuresAndCutsTextInCells) {
  // Wide kana and ideographic space, half-width kana, ※ of ambiguous width
  // (one cell, as curses counts it), a combining accent, a character beyond
  // the BMP, a tab and a control character (a space and '?'), malformed UTF-8.
  const std::pair<const char*, int> widths[] = {{"USBドライバ　アンインストール", 29},
                                                {"ｱｲｳ", 3},
                                                {"※「次へ」", 9},
                                                {"e\xCC\x81", 1},
                                                {"\xF0\x9F\x98\x80!", 3},
                                                {"a\tb\x01", 4},
                                                {"\xFF\xFE", 2}};
  for (const auto& [utf8, cells] : widths) EXPECT_EQ(DisplayWidth(Widen(utf8)), cells) << utf8;
  const std::tuple<const char*, int, const char*> cuts[] = {{"USBモデム", 100, "USBモデム"},
                                                            {"USBモデム", 5, "USBモ"},
                                                            {"USBモデム", 4, "USB"},
                                                            {"USBモデム", -3, ""},
                                                            {"ae\xCC\x81x", 2, "ae\xCC\x81"}};
  for (const auto& [utf8, width, cut] : cuts) EXPECT_EQ(CutToWidth(Widen(utf8), width), Widen(cut)) << utf8 << width;
  // A text that does not fit shows that it was cut.
  const std::tuple<const char*, int, const char*> fits[] = {{"USBモデム", 9, "USBモデム"},
                                                            {"USBモデム", 8, "USBモデ…"},
                                                            {"USBモデム", 4, "USB…"},
                                                            {"USBモデム", 1, "…"},
                                                            {"USBモデム", 0, ""}};
  for (const auto& [utf8, width, fit] : fits) EXPECT_EQ(FitToWidth(Widen(utf8), width), Widen(fit)) << utf8 << width;
  // A line of the debug page scrolled sideways: a wide character across the
  // left edge leaves a space, its combining mark goes with it.
  const std::tuple<const char*, int, int, const char*> slices[] = {
      {"[USB]モデム=1", 0, 6, "[USB]"}, {"[USB]モデム=1", 5, 4, "モデ"}, {"[USB]モデム=1", 6, 5, " デム"},
      {"[USB]モデム=1", 13, 5, ""},     {"ae\xCC\x81x", 2, 3, "x"},      {"ab", 40, 3, ""}};
  for (const auto& [utf8, first, width, shown] : slices)
    EXPECT_EQ(SliceCells(Widen(utf8), first, width), Widen(shown)) << utf8 << first;
}

// Every template on the smallest terminal we promise: the page whole, each
// control inside it, each text whole and clear of its neighbours, and the
// buttons side by side inside the frame.
TEST_F(TtyLayout, TemplatesFitAnEightyByTwentyFourTerminal) {
  for (int id : {129, 130, 131, 132, 134, 135, 136, 137}) {
    SCOPED_TRACE("template " + std::to_string(id));
    const res::Dialog& dialog = *res::FindDialog(id);
    const ScreenLayout s = LayoutScreen(80, 24, dialog);
    EXPECT_TRUE(Inside(s.frame, Rect{0, 0, 80, 24}) && Inside(s.page, s.frame));
    const std::vector<PlacedControl> placed = PlaceControls(s, dialog);
    EXPECT_EQ(placed.size(), std::ranges::count_if(dialog.controls, [](auto& c) { return c.visible; }));
    for (const PlacedControl& p : placed) {
      SCOPED_TRACE(std::string(p.control->text) + " #" + std::to_string(p.control->id));
      EXPECT_TRUE(p.control->visible && Inside(p.box, s.page) && p.box.col + p.reach <= s.page.Right());
      const res::ControlKind kind = p.control->kind;
      if (kind == res::ControlKind::GroupBox || kind == res::ControlKind::Edit) continue;
      // "Static" stands for a text the page sets; the others carry a mark.
      EXPECT_LE(DisplayWidth(Widen(p.control->text)) + (kind == res::ControlKind::Static ? 0 : 4), p.reach);
      const Rect cells{p.box.col, p.box.row, p.reach, 1};
      // Clear of other texts and edit boxes, and of a group box's lines.
      for (const PlacedControl& q : placed) {
        const bool group = q.control->kind == res::ControlKind::GroupBox;
        const bool box = group || q.control->kind == res::ControlKind::Edit;
        const Rect other = box ? q.box : Rect{q.box.col, q.box.row, q.reach, 1};
        const bool insideGroup = group && q.box.Contains(cells.col, cells.row) && cells.Right() < q.box.Right() - 1;
        EXPECT_TRUE(&q == &p || insideGroup || !Overlap(cells, other)) << "runs into " << q.control->id;
      }
    }
    const std::vector<PlacedButton> buttons = PlaceButtons(s, kButtonBack | kButtonNext);
    for (std::size_t i = 0; i < buttons.size(); ++i) {
      EXPECT_TRUE(Inside(buttons[i].box, Rect{s.frame.col + 1, s.frame.row, s.frame.width - 2, s.frame.height}));
      EXPECT_GE(buttons[i].box.width, DisplayWidth(Widen(ButtonLabel(buttons[i].button))) + 4);
      EXPECT_TRUE(i == 0 || buttons[i - 1].box.Right() <= buttons[i].box.col);
    }
  }
}

FocusTarget OnControl(int id) { return FocusTarget{false, id}; }
FocusTarget OnButton(Button b) { return FocusTarget{true, res::kNoId, b}; }

TEST_F(TtyLayout, FocusGoesOverVisibleControlsAndEnabledButtons) {
  const FocusTarget back = OnButton(Button::Back), next = OnButton(Button::Next), finish = OnButton(Button::Finish),
                    cancel = OnButton(Button::Cancel);
  // Template, buttons, focus order and the first focus. With no controls,
  // Enter's button takes the focus, not Back; Finish replaces Next.
  const std::tuple<int, int, std::vector<FocusTarget>, FocusTarget> rows[] = {
      {129, kButtonNext, {OnControl(1001), next, cancel}, OnControl(1001)},  // 1002 (USB-LAN) is hidden
      {132, kButtonBack | kButtonNext | kButtonFinish, {back, finish, cancel}, finish},
      {131, 0, {cancel}, cancel}};
  for (const auto& [dialog, flags, expected, initial] : rows) {
    SCOPED_TRACE("template " + std::to_string(dialog) + " buttons " + std::to_string(flags));
    const std::vector<FocusTarget> order = FocusOrder(*res::FindDialog(dialog), flags);
    EXPECT_EQ(order, expected);
    EXPECT_EQ(InitialFocus(order, flags), initial);
    EXPECT_EQ(MoveFocus(order, order.back(), 1), order.front());
    EXPECT_EQ(MoveFocus(order, order.front(), -1), order.back());
    EXPECT_EQ(MoveFocus(order, OnControl(1002), 1), order.front()) << "from what is not there";
  }
}

}  // namespace
}  // namespace zr::tty
