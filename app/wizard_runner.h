// Runs a CDrvSheet without a window system: the navigation rules of a
// wizard property sheet (Back/Next answer 0 to move and -1 to stay, Finish
// closes, Cancel closes without a question, buttons posted by a handler take
// effect after it returns, a close request is honoured once the step that made
// it, page change included, has run),
// the controls' state per page, and the pages' timers. The terminal front
// end and the scripted mode drive it; tests drive it directly.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "app/drv_sheet.h"
#include "engine/sheet_window.h"
#include "res/dialogs.h"

namespace zr {

struct ControlState {
  std::string text;
  int checked = 0;  // check box or radio button
};

// Told about what the user must see at once (the message box).
class IRunnerView {
 public:
  virtual ~IRunnerView() = default;
  virtual void ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon) = 0;
};

class WizardRunner final : public ISheet, public ISheetWindow {
 public:
  WizardRunner(CDrvSheet& sheet, IRunnerView& view);
  ~WizardRunner() override;

  // Activates the first page.
  void Start();

  // The sheet's buttons. False when the button is not enabled now.
  bool Back();
  bool Next();
  bool Finish();
  void Cancel();
  // A key-down on the active page (virtual-key code).
  void KeyDown(unsigned virtualKey);
  // Delivers one timer message to each running timer of the active page.
  void Tick();

  bool Closed() const { return closed_; }
  // True when a page was activated after a close request and before the
  // close: the user saw it, if only briefly.
  bool ShownBeforeClose() const { return shownBeforeClose_; }
  int Buttons() const { return buttons_; }
  CPage& Active() const { return *sheet_.Pages()[static_cast<std::size_t>(active_)]; }
  const res::Dialog& ActiveDialog() const;
  // Intervals of the active page's running timers, by id.
  std::map<int, unsigned> ActiveTimers() const;

  // The controls of a page as the user sees them.
  ControlState& Control(const CPage& page, int id);
  const ControlState* FindControl(const CPage& page, int id) const;
  // The user ticks a check box or selects a radio button of the active page.
  bool SetCheck(int id, bool checked);
  bool SelectRadio(int id);
  bool IsVisibleControl(int id, res::ControlKind kind) const;

  // ISheet
  void PostWizardButtons(int flags) override;
  void AddPage(CPage& page) override;
  bool SetTimer(CPage& page, int id, unsigned milliseconds) override;
  void KillTimer(CPage& page, int id) override;
  void UpdateData(CPage& page, bool save) override;

  // ISheetWindow
  void ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon) override;
  void PostClose() override;

 private:
  class Exchange;
  // Runs a handler, then applies what it posted.
  template <typename Handler>
  void Handle(Handler handler);
  void Activate(int index);
  void CloseIfRequested();
  void FillFromTemplate(const CPage& page);

  CDrvSheet& sheet_;
  IRunnerView& view_;
  int active_ = 0;
  int buttons_ = 0;
  int pendingButtons_ = -1;
  bool closeRequested_ = false;
  bool closed_ = false;
  bool shownBeforeClose_ = false;
  std::map<const CPage*, std::map<int, ControlState>> controls_;
  std::map<const CPage*, std::map<int, unsigned>> timers_;
};

}  // namespace zr
