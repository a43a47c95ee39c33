// The interactive wizard in the terminal (ncursesw): the page's texts,
// check boxes and radio buttons, and the buttons 「< 戻る」「次へ >」「完了」
// 「キャンセル」, with keyboard and mouse.
#pragma once

#include "app/wizard_host.h"
#include "app/wizard_runner.h"
#include "ui/tty/machine_session.h"

namespace zr::tty {

class InteractiveHost final : public IWizardHost, public IRunnerView {
 public:
  explicit InteractiveHost(MachineSession& session) : session_(session) {}

  void RunModal(CDrvSheet& sheet) override;
  void ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon) override;

 private:
  // One wizard run on the screen; it exists while RunModal runs.
  class Run;

  MachineSession& session_;
  Run* run_ = nullptr;
};

}  // namespace zr::tty
