#include "ui/tty/preview_view.h"

#include <algorithm>
#include <sstream>

#include "app/flow_report.h"
#include "app/flow_report_text.h"
#include "ui/tty/layout.h"

namespace zr::tty {
namespace {

constexpr int kModemBox = 1001;
constexpr int kLanBox = 1002;
constexpr const wchar_t* kCaption = L"Preview: what Next removes";
constexpr const wchar_t* kKeys = L"↑↓ PgUp PgDn Home End: scroll   Esc/Enter/F2: close";

bool Ticked(const WizardRunner& runner, const CPage& page, int id) {
  const ControlState* state = runner.FindControl(page, id);
  return state != nullptr && state->checked == 1;
}

std::vector<std::wstring> LinesOf(const std::string& text) {
  std::vector<std::wstring> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(Widen(line));
  return lines;
}

}  // namespace

void ShowRemovalPreview(CursesScreen& screen, MachineSession& session, CDrvSheet& sheet, const WizardRunner& runner,
                        const std::function<void()>& drawUnder) {
  if (&runner.Active() != &sheet.m_page3) return;
  FlowChoice choice;
  choice.modem = Ticked(runner, sheet.m_page1, kModemBox);
  choice.lan = Ticked(runner, sheet.m_page1, kLanBox);
  const std::vector<std::wstring> report = LinesOf(ReportText(PreviewFlow(session.Machine(), choice)));
  int first = 0;
  for (;;) {
    drawUnder();
    const Rect whole = screen.Whole();
    const Rect box{1, 1, std::max(10, whole.width - 2), std::max(5, whole.height - 2)};
    const Rect inside{box.col + 1, box.row + 1, box.width - 2, box.height - 3};
    std::vector<std::wstring> lines;
    for (const std::wstring& line : report)
      for (std::wstring& piece : WrapToWidth(line, inside.width)) lines.push_back(std::move(piece));
    const int maxFirst = std::max(0, static_cast<int>(lines.size()) - inside.height);
    first = std::clamp(first, 0, maxFirst);
    screen.Fill(box, whole);
    screen.Frame(box, kAttrBold, whole);
    screen.Text(box.col + 2, box.row, kCaption, box.width - 4, kAttrBold, whole);
    for (int row = 0; row < inside.height && first + row < static_cast<int>(lines.size()); ++row) {
      const std::size_t line = static_cast<std::size_t>(first) + static_cast<std::size_t>(row);
      screen.Text(inside.col, inside.row + row, lines[line], inside.width, kAttrPlain, inside);
    }
    screen.Text(inside.col, box.row + box.height - 2, kKeys, inside.width, kAttrDim, whole);
    screen.Refresh();
    const InputEvent e = screen.Read(-1);
    const int page = std::max(1, inside.height - 1);
    if (e.type == InputEvent::Type::Mouse)
      first += e.mouse == MouseAction::WheelUp ? -3 : e.mouse == MouseAction::WheelDown ? 3 : 0;
    if (e.type == InputEvent::Type::Char && (e.ch == L'q' || e.ch == L'Q')) return;
    if (e.type != InputEvent::Type::Key) continue;
    switch (e.key) {
      case Key::Escape:
      case Key::Enter:
      case Key::F2:
        return;
      case Key::Up:
        --first;
        break;
      case Key::Down:
        ++first;
        break;
      case Key::PageUp:
        first -= page;
        break;
      case Key::PageDown:
        first += page;
        break;
      case Key::Home:
        first = 0;
        break;
      case Key::End:
        first = maxFirst;
        break;
      default:
        break;
    }
  }
}

}  // namespace zr::tty
