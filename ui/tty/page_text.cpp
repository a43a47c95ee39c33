#include "ui/tty/page_text.h"

#include <cstdio>

#include "res/transcript_lines.h"
#include "ui/tty/layout.h"

namespace zr::tty {
namespace {

const char* KindName(res::ControlKind kind) {
  switch (kind) {
    case res::ControlKind::Static:
      return "static";
    case res::ControlKind::CheckBox:
      return "check";
    case res::ControlKind::RadioButton:
      return "radio";
    case res::ControlKind::GroupBox:
      return "group";
    case res::ControlKind::Edit:
      return "edit";
  }
  return "?";
}

}  // namespace

std::string ShownText(const WizardRunner& runner, const res::Control& control) {
  if (control.id != res::kNoId) {
    if (const ControlState* state = runner.FindControl(runner.Active(), control.id)) return state->text;
  }
  return std::string(control.text);
}

bool IsChecked(const WizardRunner& runner, const res::Control& control) {
  const ControlState* state = runner.FindControl(runner.Active(), control.id);
  return state != nullptr && state->checked != 0;
}

std::vector<std::string> EnabledButtons(const WizardRunner& runner) {
  std::vector<std::string> buttons;
  const int flags = runner.Buttons();
  if (flags & kButtonBack) buttons.emplace_back(ButtonLabel(Button::Back));
  if (flags & kButtonFinish)
    buttons.emplace_back(ButtonLabel(Button::Finish));
  else if (flags & kButtonNext)
    buttons.emplace_back(ButtonLabel(Button::Next));
  buttons.emplace_back(ButtonLabel(Button::Cancel));
  return buttons;
}

std::vector<std::string> RenderPage(const WizardRunner& runner) {
  std::vector<std::string> lines;
  const res::Dialog& dialog = runner.ActiveDialog();
  lines.push_back("=== " + std::string(res::String(res::kCaptionString)) + "  [page " + std::to_string(dialog.id) +
                  " " + runner.Active().ClassName() + "]");
  for (const res::Control& control : dialog.controls) {
    if (!control.visible) continue;
    char id[16];
    if (control.id == res::kNoId)
      std::snprintf(id, sizeof id, "%s", "-");
    else
      std::snprintf(id, sizeof id, "%d", control.id);
    std::string line = std::string("  ") + id + " " + KindName(control.kind) + ": ";
    const std::string text = ShownText(runner, control);
    switch (control.kind) {
      case res::ControlKind::CheckBox:
        line += IsChecked(runner, control) ? "[x] " : "[ ] ";
        break;
      case res::ControlKind::RadioButton:
        line += IsChecked(runner, control) ? "(*) " : "( ) ";
        break;
      default:
        break;
    }
    if (control.kind == res::ControlKind::Edit) {
      lines.push_back(line);
      res::AppendEditLines(lines, text);
      continue;
    }
    lines.push_back(line + text);
  }
  std::string buttons = "  buttons:";
  for (const std::string& b : EnabledButtons(runner)) buttons += " [" + b + "]";
  lines.push_back(buttons);
  const auto timers = runner.ActiveTimers();
  for (const auto& [id, interval] : timers)
    lines.push_back("  timer " + std::to_string(id) + ": every " + std::to_string(interval) + " ms");
  return lines;
}

bool PageShows(const WizardRunner& runner, const std::string& text) {
  const res::Dialog& dialog = runner.ActiveDialog();
  if (std::string(res::String(res::kCaptionString)).find(text) != std::string::npos) return true;
  for (const res::Control& control : dialog.controls)
    if (control.visible && ShownText(runner, control).find(text) != std::string::npos) return true;
  return false;
}

}  // namespace zr::tty
