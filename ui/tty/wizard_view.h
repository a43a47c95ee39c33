// Draws the wizard on the terminal: the frame with the caption, the active
// page's visible controls, the buttons, the status and the key hints; and
// the message box on top of it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/wizard_runner.h"
#include "ui/tty/curses_screen.h"
#include "ui/tty/layout.h"

namespace zr::tty {

// What the front end holds beside the runner's state.
struct WizardViewState {
  std::optional<FocusTarget> focus;
  int editScroll = 0;  // the first line the edit box shows
  int editColumn = 0;  // and the first cell of each line
  std::wstring status;
  std::wstring hint;
};

// The active page measured for a screen of cols x rows.
struct PageGeometry {
  ScreenLayout screen;
  std::vector<PlacedControl> controls;
  std::vector<PlacedButton> buttons;
};

PageGeometry MeasurePage(int cols, int rows, const WizardRunner& runner);

// The lines an edit box holds, and how many of them it shows at once.
struct EditBoxLines {
  std::vector<std::wstring> lines;
  int visibleRows = 0;
  int visibleCols = 0;
  int MaxScroll() const { return std::max(0, static_cast<int>(lines.size()) - visibleRows); }
  // How far the lines scroll sideways: the widest one's end comes into view.
  int MaxColumn() const;
  // The rows shown from line `first` and cell `column` on.
  std::vector<std::wstring> Shown(int first, int column) const;
};

// The edit box of the active page with id `id`; empty when there is none.
EditBoxLines EditBoxOf(const PageGeometry& geometry, const WizardRunner& runner, int id);

void DrawWizard(CursesScreen& screen, const WizardRunner& runner, const WizardViewState& state);
void DrawMessageBox(CursesScreen& screen, const MessageBoxLayout& box, std::wstring_view caption);

}  // namespace zr::tty
