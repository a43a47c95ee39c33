#include "ui/tty/wizard_view.h"

#include <algorithm>

#include "ui/tty/page_text.h"

namespace zr::tty {
namespace {

// A static shows one line; a text that holds line breaks shows them as
// spaces rather than losing what follows the first.
std::wstring OneLine(std::wstring text) {
  std::replace_if(
      text.begin(), text.end(), [](wchar_t c) { return c == L'\r' || c == L'\n'; }, L' ');
  return text;
}

// A title on a frame's top line, e.g. " アンインストール ", at most `width` cells.
void DrawTitle(CursesScreen& screen, const Rect& frame, int col, std::wstring_view title, int width, unsigned attr,
               const Rect& clip) {
  if (title.empty() || width < 3) return;
  const std::wstring shown = L" " + FitToWidth(title, width - 2) + L" ";
  screen.Text(col, frame.row, shown, width, attr, clip);
}

Rect Inside(const Rect& r) { return Rect{r.col + 1, r.row + 1, std::max(0, r.width - 2), std::max(0, r.height - 2)}; }

bool HasFocus(const WizardViewState& state, const res::Control& control) {
  return state.focus && !state.focus->isButton && state.focus->controlId == control.id;
}

void DrawEdit(CursesScreen& screen, const PageGeometry& geometry, const WizardRunner& runner,
              const PlacedControl& placed, const WizardViewState& state, bool focused) {
  const Rect clip = geometry.screen.page;
  screen.Frame(placed.box, focused ? kAttrBold : kAttrPlain, clip);
  const EditBoxLines edit = EditBoxOf(geometry, runner, placed.control->id);
  const Rect inner = Inside(placed.box);
  const int first = std::clamp(state.editScroll, 0, edit.MaxScroll());
  const std::vector<std::wstring> rows = edit.Shown(first, std::clamp(state.editColumn, 0, edit.MaxColumn()));
  for (std::size_t i = 0; i < rows.size(); ++i)
    screen.Text(inner.col, inner.row + static_cast<int>(i), rows[i], inner.width, kAttrPlain, clip);
  if (edit.MaxScroll() > 0 || edit.MaxColumn() > 0) {
    // Which lines are in view, and whether there is more to either side, on
    // the bottom line of the box.
    const int last = std::min(first + edit.visibleRows, static_cast<int>(edit.lines.size()));
    const std::wstring where = L" " + std::to_wstring(first + 1) + L"-" + std::to_wstring(last) + L"/" +
                               std::to_wstring(edit.lines.size()) + (edit.MaxColumn() > 0 ? L" ←→ " : L" ");
    const int width = DisplayWidth(where);
    if (width + 2 <= placed.box.width)
      screen.Text(placed.box.Right() - 1 - width, placed.box.Bottom() - 1, where, width, kAttrPlain, clip);
  }
}

void DrawControl(CursesScreen& screen, const PageGeometry& geometry, const WizardRunner& runner,
                 const PlacedControl& placed, const WizardViewState& state) {
  const res::Control& control = *placed.control;
  const Rect clip = geometry.screen.page;
  const bool focused = HasFocus(state, control);
  const std::wstring text = OneLine(Widen(ShownText(runner, control)));
  switch (control.kind) {
    case res::ControlKind::GroupBox:
      screen.Frame(placed.box, kAttrPlain, clip);
      DrawTitle(screen, placed.box, placed.box.col + 1, text, placed.box.width - 2, kAttrPlain, clip);
      return;
    case res::ControlKind::Edit:
      DrawEdit(screen, geometry, runner, placed, state, focused);
      return;
    case res::ControlKind::CheckBox:
    case res::ControlKind::RadioButton: {
      const bool checked = IsChecked(runner, control);
      const wchar_t* mark =
          control.kind == res::ControlKind::CheckBox ? (checked ? L"[x] " : L"[ ] ") : (checked ? L"(*) " : L"( ) ");
      const std::wstring shown = FitToWidth(mark + text, placed.reach);
      screen.Text(placed.box.col, placed.box.row, shown, placed.reach, focused ? kAttrReverse : kAttrPlain, clip);
      return;
    }
    case res::ControlKind::Static: {
      const std::wstring shown = FitToWidth(text, placed.reach);
      screen.Text(TextColumn(placed, DisplayWidth(shown)), placed.box.row, shown, placed.reach, kAttrPlain, clip);
      return;
    }
  }
}

void DrawButtons(CursesScreen& screen, const PageGeometry& geometry, const WizardViewState& state) {
  const Rect clip = Inside(geometry.screen.frame);
  for (const PlacedButton& b : geometry.buttons) {
    const std::wstring label = Widen(ButtonLabel(b.button));
    const int inner = b.box.width - 4;
    const int pad = std::max(0, inner - DisplayWidth(label));
    const std::wstring shown = L"[ " + std::wstring(static_cast<std::size_t>(pad / 2), L' ') +
                               FitToWidth(label, inner) + std::wstring(static_cast<std::size_t>(pad - pad / 2), L' ') +
                               L" ]";
    unsigned attr = kAttrPlain;
    if (!b.enabled)
      attr = kAttrDim;
    else if (state.focus && state.focus->isButton && state.focus->button == b.button)
      attr = kAttrReverse;
    screen.Text(b.box.col, b.box.row, shown, b.box.width, attr, clip);
  }
}

}  // namespace

PageGeometry MeasurePage(int cols, int rows, const WizardRunner& runner) {
  PageGeometry g;
  g.screen = LayoutScreen(cols, rows, runner.ActiveDialog());
  g.controls = PlaceControls(g.screen, runner.ActiveDialog());
  g.buttons = PlaceButtons(g.screen, runner.Buttons());
  return g;
}

EditBoxLines EditBoxOf(const PageGeometry& geometry, const WizardRunner& runner, int id) {
  EditBoxLines edit;
  for (const PlacedControl& placed : geometry.controls) {
    if (placed.control->id != id || placed.control->kind != res::ControlKind::Edit) continue;
    edit.lines = SplitLines(Widen(ShownText(runner, *placed.control)));
    edit.visibleRows = std::max(0, placed.box.height - 2);
    edit.visibleCols = std::max(0, placed.box.width - 2);
  }
  return edit;
}

int EditBoxLines::MaxColumn() const {
  int widest = 0;
  for (const std::wstring& line : lines) widest = std::max(widest, DisplayWidth(line));
  return std::max(0, widest - visibleCols);
}

std::vector<std::wstring> EditBoxLines::Shown(int first, int column) const {
  std::vector<std::wstring> rows;
  for (int i = 0; i < visibleRows && first + i < static_cast<int>(lines.size()); ++i)
    rows.push_back(
        SliceCells(lines[static_cast<std::size_t>(first) + static_cast<std::size_t>(i)], column, visibleCols));
  return rows;
}

void DrawWizard(CursesScreen& screen, const WizardRunner& runner, const WizardViewState& state) {
  const PageGeometry geometry = MeasurePage(screen.Cols(), screen.Rows(), runner);
  const ScreenLayout& s = geometry.screen;
  screen.Clear();
  const Rect whole = screen.Whole();
  screen.Frame(s.frame, kAttrPlain, whole);
  const std::wstring caption =
      Widen(runner.ActiveDialog().caption.empty() ? res::String(res::kCaptionString) : runner.ActiveDialog().caption);
  const int titleWidth = std::min(DisplayWidth(caption) + 2, s.frame.width - 4);
  DrawTitle(screen, s.frame, s.frame.col + (s.frame.width - titleWidth) / 2, caption, titleWidth, kAttrBold, whole);

  for (const PlacedControl& placed : geometry.controls) DrawControl(screen, geometry, runner, placed, state);

  const Rect inside = Inside(s.frame);
  if (s.separatorRow < s.frame.Bottom() - 1) screen.FrameDivider(s.frame, s.separatorRow, whole);
  DrawButtons(screen, geometry, state);
  const Rect textLine{inside.col + 1, 0, std::max(0, inside.width - 2), 0};
  screen.Text(textLine.col, s.statusRow, FitToWidth(state.status, textLine.width), textLine.width, kAttrPlain, inside);
  screen.Text(textLine.col, s.hintRow, FitToWidth(state.hint, textLine.width), textLine.width, kAttrDim, inside);
}

void DrawMessageBox(CursesScreen& screen, const MessageBoxLayout& box, std::wstring_view caption) {
  const Rect whole = screen.Whole();
  screen.Fill(box.box, whole);
  screen.Frame(box.box, kAttrBold, whole);
  DrawTitle(screen, box.box, box.box.col + 1, caption, box.box.width - 2, kAttrBold, whole);
  for (std::size_t i = 0; i < box.lines.size(); ++i)
    screen.Text(box.lineArea.col, box.lineArea.row + static_cast<int>(i), box.lines[i], box.lineArea.width, kAttrPlain,
                Inside(box.box));
  screen.Text(box.okButton.col, box.okButton.row, L"[ OK ]", box.okButton.width, kAttrReverse, Inside(box.box));
}

}  // namespace zr::tty
