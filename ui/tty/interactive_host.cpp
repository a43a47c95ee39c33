#include "ui/tty/interactive_host.h"

#include <langinfo.h>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>

#include "ui/tty/curses_screen.h"
#include "ui/tty/layout.h"
#include "ui/tty/preview_view.h"
#include "ui/tty/script_host.h"
#include "ui/tty/wizard_view.h"

namespace zr::tty {
namespace {

using Clock = std::chrono::steady_clock;

// Windows raises shorter timer intervals to this (USER_TIMER_MINIMUM).
constexpr unsigned kShortestTimerMs = 10;
// Virtual-key code of the numeric keypad's 0 (VK_NUMPAD0); 1..9 follow.
constexpr unsigned kVkNumpad0 = 0x60;
constexpr int kWheelLines = 3;
// Cells the debug page's text moves per Left or Right.
constexpr int kSideStep = 8;

// Virtual-key codes of the keys that also move or press (VK_TAB,
// VK_RETURN, VK_SPACE, VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN): on Windows they
// reach the page as key-downs before the dialog acts on them.
constexpr unsigned kVkTab = 0x09, kVkReturn = 0x0D, kVkSpace = 0x20;
unsigned ArrowVirtualKey(Key key) {
  switch (key) {
    case Key::Left:
      return 0x25;
    case Key::Up:
      return 0x26;
    case Key::Right:
      return 0x27;
    case Key::Down:
      return 0x28;
    default:
      return 0;
  }
}

constexpr const wchar_t* kKeyHint = L"Tab:移動 Space:選択 Enter:決定 Alt+B/N:戻る/次へ Esc:キャンセル";
constexpr const wchar_t* kPlugHint = L" F5:機器接続";

// The pages' texts are UTF-8, and curses measures and writes them by the
// locale's character type. A terminal session whose locale is not UTF-8
// still gets UTF-8, which is the only way to show the text at all; the
// engine's byte-wise character tests behave in a UTF-8 locale as in "C".
void UseUtf8Locale() {
  std::setlocale(LC_ALL, "");
  if (std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0) std::setlocale(LC_CTYPE, "C.UTF-8");
}

bool StartsWith(const std::string& s, std::string_view prefix) { return s.rfind(prefix, 0) == 0; }

// The machine's events as the status line tells them.
std::wstring StatusText(const std::string& event) {
  static const struct {
    const char* event;
    const wchar_t* text;
  } kTexts[] = {
      {"device plugged in", L"USB機器を接続しました（plug.reg を取り込みました）"},
      {"shutdown privilege enabled", L"シャットダウン特権を有効にしました"},
      {"shutdown privilege:", L"シャットダウン特権を有効にできません（プロセス トークンがありません）"},
      {"restart requested", L"Windowsの再起動を要求しました"},
  };
  for (const auto& t : kTexts)
    if (StartsWith(event, t.event)) return t.text;
  return Widen(event);
}

}  // namespace

class InteractiveHost::Run {
 public:
  Run(MachineSession& session, CursesScreen& screen, WizardRunner& runner, CDrvSheet& sheet)
      : session_(session), screen_(screen), runner_(runner), sheet_(sheet) {
    std::error_code ec;
    const bool canPlug = std::filesystem::is_regular_file(session_.Machine().Folder() / "plug.reg", ec);
    view_.hint = std::wstring(kKeyHint) + (canPlug ? kPlugHint : L"");
  }

  void Loop() {
    runner_.Start();
    AfterStep();
    while (!runner_.Closed()) {
      FollowPage();
      FollowTimers();
      if (TickIfDue()) continue;  // the tick may have changed the page, its timers, or closed it
      DrawWizard(screen_, runner_, view_);
      screen_.Refresh();
      Handle(screen_.Read(MillisecondsToNextTimer()));
    }
    if (runner_.ShownBeforeClose()) {
      // The page activated between the close request and the close.
      FollowPage();
      DrawWizard(screen_, runner_, view_);
      screen_.Refresh();
    }
  }

  // Modal: the page stays as it is under the box, and its timers wait, until
  // the box is dismissed.
  void ShowMessage(std::string_view text, std::string_view caption) {
    const std::wstring wideCaption = Widen(caption);
    const std::wstring wideText = Widen(text);
    for (;;) {
      DrawWizard(screen_, runner_, view_);
      const MessageBoxLayout box = LayoutMessageBox(screen_.Cols(), screen_.Rows(), wideCaption, wideText);
      DrawMessageBox(screen_, box, wideCaption);
      screen_.Refresh();
      const InputEvent e = screen_.Read(-1);
      if (e.type == InputEvent::Type::Key && (e.key == Key::Enter || e.key == Key::Escape)) return;
      if (e.type == InputEvent::Type::Char && (e.ch == L' ' || e.ch == L'o' || e.ch == L'O')) return;
      if (e.type == InputEvent::Type::Mouse && (e.mouse == MouseAction::Release || e.mouse == MouseAction::Click) &&
          box.okButton.Contains(e.col, e.row))
        return;
    }
  }

 private:
  struct RunningTimer {
    unsigned interval;
    Clock::time_point due;
  };

  PageGeometry Geometry() const { return MeasurePage(screen_.Cols(), screen_.Rows(), runner_); }

  std::vector<FocusTarget> Order() const { return FocusOrder(runner_.ActiveDialog(), runner_.Buttons()); }

  // A new page takes the focus to its first control; on the same page the
  // focus stays unless what held it is gone (a button turned off).
  void FollowPage() {
    const std::vector<FocusTarget> order = Order();
    const bool samePage = shownPage_ == &runner_.Active();
    if (samePage && view_.focus && std::find(order.begin(), order.end(), *view_.focus) != order.end()) return;
    if (!samePage) {
      shownPage_ = &runner_.Active();
      view_.editScroll = 0;
      view_.editColumn = 0;
      pressed_.reset();
    }
    view_.focus = InitialFocus(order, runner_.Buttons());
  }

  // The page's timers on real time. A round goes to every running timer
  // of the page at once (the runner delivers them so); pages hold one.
  void FollowTimers() {
    if (timerPage_ != &runner_.Active()) {
      timers_.clear();
      timerPage_ = &runner_.Active();
    }
    const std::map<int, unsigned> running = runner_.ActiveTimers();
    std::erase_if(timers_, [&](const auto& t) {
      auto it = running.find(t.first);
      return it == running.end() || std::max(it->second, kShortestTimerMs) != t.second.interval;
    });
    const Clock::time_point now = Clock::now();
    for (const auto& [id, interval] : running) {
      const unsigned ms = std::max(interval, kShortestTimerMs);
      if (!timers_.count(id)) timers_[id] = RunningTimer{ms, now + std::chrono::milliseconds(ms)};
    }
  }

  int MillisecondsToNextTimer() const {
    if (timers_.empty()) return -1;
    Clock::time_point next = Clock::time_point::max();
    for (const auto& [id, timer] : timers_) next = std::min(next, timer.due);
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(next - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(wait, 0, 60'000));
  }

  bool TickIfDue() {
    const Clock::time_point now = Clock::now();
    const bool due = std::any_of(timers_.begin(), timers_.end(), [&](const auto& t) { return t.second.due <= now; });
    if (!due) return false;
    for (auto& [id, timer] : timers_) timer.due = now + std::chrono::milliseconds(timer.interval);
    runner_.Tick();
    AfterStep();
    return true;
  }

  // What the step changed goes to the image at once, and what it logged
  // to the status line (message boxes were shown already).
  void AfterStep() {
    std::wstring status;
    const std::string saveError = session_.SaveIfChanged();
    for (const std::string& event : session_.NewEvents()) {
      if (StartsWith(event, "message box")) continue;
      status += (status.empty() ? L"" : L" / ") + StatusText(event);
    }
    if (!saveError.empty())
      status +=
          std::wstring(status.empty() ? L"" : L" / ") + L"マシン イメージを保存できませんでした: " + Widen(saveError);
    if (!status.empty()) view_.status = status;
  }

  void Press(Button button) {
    switch (button) {
      case Button::Back:
        runner_.Back();
        break;
      case Button::Next:
        runner_.Next();
        break;
      case Button::Finish:
        runner_.Finish();
        break;
      case Button::Cancel:
        runner_.Cancel();
        break;
    }
    AfterStep();
  }

  void PressDefault() {
    if (const auto button = DefaultButton(runner_.Buttons())) Press(*button);
  }

  // Space on the focus, or a click: ticks, selects or presses it.
  void Activate(const FocusTarget& target) {
    if (target.isButton) {
      const std::vector<FocusTarget> order = Order();
      if (std::find(order.begin(), order.end(), target) == order.end()) return;  // not enabled
      view_.focus = target;
      Press(target.button);
      return;
    }
    const res::Control* control = nullptr;
    for (const res::Control& c : runner_.ActiveDialog().controls)
      if (c.id == target.controlId && c.visible) control = &c;
    if (control == nullptr) return;
    view_.focus = target;
    if (control->kind == res::ControlKind::CheckBox) {
      const ControlState* state = runner_.FindControl(runner_.Active(), control->id);
      runner_.SetCheck(control->id, state == nullptr || state->checked == 0);
    } else if (control->kind == res::ControlKind::RadioButton) {
      runner_.SelectRadio(control->id);
    }
  }

  std::optional<int> FocusedEdit() const {
    if (!view_.focus || view_.focus->isButton) return std::nullopt;
    for (const res::Control& c : runner_.ActiveDialog().controls)
      if (c.id == view_.focus->controlId && c.kind == res::ControlKind::Edit) return c.id;
    return std::nullopt;
  }

  // The edit box's first shown line; a resize may have left the one held
  // past the end of its text.
  int FirstShownLine(const EditBoxLines& edit) const { return std::clamp(view_.editScroll, 0, edit.MaxScroll()); }
  void ScrollEditTo(const EditBoxLines& edit, int first) { view_.editScroll = std::clamp(first, 0, edit.MaxScroll()); }

  // Arrow keys and paging scroll the edit box when it has the focus.
  bool ScrollKey(Key key) {
    const std::optional<int> id = FocusedEdit();
    if (!id) return false;
    const EditBoxLines edit = EditBoxOf(Geometry(), runner_, *id);
    const int first = FirstShownLine(edit);
    const int page = std::max(1, edit.visibleRows - 1);
    const int column = std::clamp(view_.editColumn, 0, edit.MaxColumn());
    switch (key) {
      case Key::Left:
        view_.editColumn = std::clamp(column - kSideStep, 0, edit.MaxColumn());
        return true;
      case Key::Right:
        view_.editColumn = std::clamp(column + kSideStep, 0, edit.MaxColumn());
        return true;
      case Key::Up:
        ScrollEditTo(edit, first - 1);
        return true;
      case Key::Down:
        ScrollEditTo(edit, first + 1);
        return true;
      case Key::PageUp:
        ScrollEditTo(edit, first - page);
        return true;
      case Key::PageDown:
        ScrollEditTo(edit, first + page);
        return true;
      case Key::Home:
        ScrollEditTo(edit, 0);
        return true;
      case Key::End:
        ScrollEditTo(edit, edit.MaxScroll());
        return true;
      default:
        return false;
    }
  }

  void Plug() {
    std::string error;
    if (!session_.Machine().Plug(error)) view_.status = Widen(error);
    AfterStep();
  }

  void KeyDown(unsigned virtualKey) {
    runner_.KeyDown(virtualKey);
    AfterStep();
  }

  // Keys reach the page only while the focus is on it or one of its
  // controls; one of the sheet's buttons with the focus keeps them.
  bool FocusOnPage() const { return !view_.focus || !view_.focus->isButton; }

  void KeyDownOnPage(unsigned virtualKey) {
    if (FocusOnPage()) KeyDown(virtualKey);
  }

  void HandleKey(const InputEvent& e) {
    if (e.key == Key::Tab || e.key == Key::BackTab) KeyDownOnPage(kVkTab);
    if (e.key == Key::Enter) KeyDownOnPage(kVkReturn);
    if (const unsigned arrow = ArrowVirtualKey(e.key)) KeyDownOnPage(arrow);
    if (runner_.Closed() || ScrollKey(e.key)) return;
    switch (e.key) {
      case Key::Tab:
      case Key::Down:
      case Key::Right:
        view_.focus = MoveFocus(Order(), view_.focus, 1);
        return;
      case Key::BackTab:
      case Key::Up:
      case Key::Left:
        view_.focus = MoveFocus(Order(), view_.focus, -1);
        return;
      case Key::Enter:
        if (view_.focus && view_.focus->isButton)
          Activate(*view_.focus);
        else
          PressDefault();
        return;
      case Key::Escape:
        Press(Button::Cancel);
        return;
      case Key::F5:
        Plug();
        return;
      case Key::F2:
        ShowRemovalPreview(screen_, session_, sheet_, runner_, [this] { DrawWizard(screen_, runner_, view_); });
        return;
      case Key::Keypad:
        KeyDownOnPage(kVkNumpad0 + static_cast<unsigned>(e.keypadDigit));
        return;
      default:
        return;
    }
  }

  // Alt with a button's access key presses it, as the key a Japanese
  // wizard underlines; no key-down reaches the page (Windows sends it as a
  // system key).
  void HandleAlt(wchar_t ch) {
    if (ch == L'b' || ch == L'B') {
      if (runner_.Buttons() & kButtonBack) Press(Button::Back);
    } else if (ch == L'n' || ch == L'N') {
      if (runner_.Buttons() & kButtonNext) Press(Button::Next);
    }
  }

  void HandleChar(wchar_t ch) {
    if (ch == L' ') {
      KeyDownOnPage(kVkSpace);
      if (view_.focus && !runner_.Closed()) Activate(*view_.focus);
      return;
    }
    // Letters and digits reach the page as key-downs, by their virtual-key
    // codes: the upper-case letter or the digit.
    if ((ch >= L'a' && ch <= L'z') || (ch >= L'A' && ch <= L'Z') || (ch >= L'0' && ch <= L'9'))
      KeyDownOnPage(static_cast<unsigned>(ch >= L'a' && ch <= L'z' ? ch - L'a' + L'A' : ch));
  }

  void HandleMouse(const InputEvent& e) {
    const PageGeometry g = Geometry();
    const std::optional<FocusTarget> hit = HitTest(g.controls, g.buttons, e.col, e.row);
    switch (e.mouse) {
      case MouseAction::Press:
        pressed_ = hit;
        return;
      case MouseAction::Release:
        // As with a push button: only a release over where it was pressed.
        if (hit && pressed_ && *hit == *pressed_) Activate(*hit);
        pressed_.reset();
        return;
      case MouseAction::Click:
        if (hit) Activate(*hit);
        return;
      case MouseAction::WheelUp:
      case MouseAction::WheelDown:
        for (const PlacedControl& p : g.controls) {
          if (p.control->kind != res::ControlKind::Edit || !p.box.Contains(e.col, e.row)) continue;
          const EditBoxLines edit = EditBoxOf(g, runner_, p.control->id);
          ScrollEditTo(edit, FirstShownLine(edit) + (e.mouse == MouseAction::WheelUp ? -kWheelLines : kWheelLines));
        }
        return;
    }
  }

  void Handle(const InputEvent& e) {
    switch (e.type) {
      case InputEvent::Type::Key:
        HandleKey(e);
        return;
      case InputEvent::Type::Char:
        e.alt ? HandleAlt(e.ch) : HandleChar(e.ch);
        return;
      case InputEvent::Type::Mouse:
        HandleMouse(e);
        return;
      case InputEvent::Type::Resize:  // the next drawing measures the new size
      case InputEvent::Type::Timeout:
        return;
    }
  }

  MachineSession& session_;
  CursesScreen& screen_;
  WizardRunner& runner_;
  CDrvSheet& sheet_;
  WizardViewState view_;
  const CPage* shownPage_ = nullptr;
  std::optional<FocusTarget> pressed_;
  const CPage* timerPage_ = nullptr;
  std::map<int, RunningTimer> timers_;
};

void InteractiveHost::RunModal(CDrvSheet& sheet) {
  UseUtf8Locale();
  std::string error;
  std::unique_ptr<CursesScreen> screen = CursesScreen::Open(error);
  if (!screen) {
    std::fprintf(stderr, "zrdrvtool: %s; reading script commands from the terminal instead\n", error.c_str());
    ScriptHost host(session_, std::cin, std::cout);
    host.RunModal(sheet);
    return;
  }
  {
    WizardRunner runner(sheet, *this);
    Run run(session_, *screen, runner, sheet);
    run_ = &run;
    struct Detach {
      Run*& run;
      ~Detach() { run = nullptr; }
    } detach{run_};
    run.Loop();
  }  // an exception on the way out still restores the screen
  screen.reset();
  std::cout << (session_.RestartRequested() ? kRestartLine : "ウィザードを終了しました。") << std::endl;
}

void InteractiveHost::ShowMessage(std::string_view text, std::string_view caption, MessageIcon) {
  session_.RecordMessageBox(caption, text);
  if (run_ != nullptr) {
    run_->ShowMessage(text, caption);
    return;
  }
  std::string flat(text);
  for (std::size_t at; (at = flat.find("\r\n")) != std::string::npos;) flat.replace(at, 2, " / ");
  std::fprintf(stderr, "[%.*s] %s\n", static_cast<int>(caption.size()), caption.data(), flat.c_str());
}

}  // namespace zr::tty
