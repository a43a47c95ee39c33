#include "app/wizard_runner.h"

namespace zr {

class WizardRunner::Exchange final : public DataExchange {
 public:
  Exchange(WizardRunner& runner, const CPage& page, bool saving) : DataExchange(saving), runner_(runner), page_(page) {}

  void Text(int id, std::string& member, std::size_t limit) override {
    ControlState& control = runner_.Control(page_, id);
    if (Saving())
      member = CutToCharacters(control.text, limit);
    else
      control.text = CutToCharacters(member, limit);
  }
  void Check(int id, int& member) override {
    ControlState& control = runner_.Control(page_, id);
    if (Saving())
      member = control.checked;
    else
      control.checked = member == 1 ? 1 : 0;
  }
  void Radio(int firstId, int& member) override {
    const std::vector<int> group = GroupOf(firstId);
    if (Saving()) {
      member = -1;
      for (std::size_t i = 0; i < group.size(); ++i)
        if (runner_.Control(page_, group[i]).checked) member = static_cast<int>(i);
    } else {
      for (std::size_t i = 0; i < group.size(); ++i)
        runner_.Control(page_, group[i]).checked = static_cast<int>(i) == member ? 1 : 0;
    }
  }

 private:
  // The radio buttons of the group that starts at firstId, in template order.
  std::vector<int> GroupOf(int firstId) const {
    std::vector<int> ids;
    const res::Dialog* dialog = res::FindDialog(page_.TemplateId());
    if (dialog == nullptr) return ids;
    bool inGroup = false;
    for (const res::Control& c : dialog->controls) {
      if (c.id == firstId)
        inGroup = true;
      else if (inGroup && (c.groupStart || c.kind != res::ControlKind::RadioButton))
        break;
      if (inGroup) ids.push_back(c.id);
    }
    return ids;
  }

  WizardRunner& runner_;
  const CPage& page_;
};

WizardRunner::WizardRunner(CDrvSheet& sheet, IRunnerView& view) : sheet_(sheet), view_(view) {
  for (CPage* page : sheet_.Pages()) page->Attach(this);
  sheet_.Engine().Wizard().m_hSheetWnd = this;
}

WizardRunner::~WizardRunner() {
  if (sheet_.Engine().Wizard().m_hSheetWnd == this) sheet_.Engine().Wizard().m_hSheetWnd = nullptr;
}

const res::Dialog& WizardRunner::ActiveDialog() const {
  static const res::Dialog kEmpty{0, 249, 93, "", "", 9, {}};
  const res::Dialog* dialog = res::FindDialog(Active().TemplateId());
  return dialog != nullptr ? *dialog : kEmpty;
}

void WizardRunner::FillFromTemplate(const CPage& page) {
  if (controls_.count(&page)) return;
  auto& controls = controls_[&page];
  if (const res::Dialog* dialog = res::FindDialog(page.TemplateId())) {
    for (const res::Control& c : dialog->controls)
      if (c.id != res::kNoId) controls[c.id].text = std::string(c.text);
  }
}

ControlState& WizardRunner::Control(const CPage& page, int id) {
  FillFromTemplate(page);
  return controls_[&page][id];
}

const ControlState* WizardRunner::FindControl(const CPage& page, int id) const {
  auto p = controls_.find(&page);
  if (p == controls_.end()) return nullptr;
  auto c = p->second.find(id);
  return c == p->second.end() ? nullptr : &c->second;
}

template <typename Handler>
void WizardRunner::Handle(Handler handler) {
  handler();
  if (pendingButtons_ >= 0) {
    buttons_ = pendingButtons_;
    pendingButtons_ = -1;
  }
}

// A close request is a posted message: the step that made it (a Next that
// removed, say) runs to its end first, page change included, and the sheet
// closes after it.
void WizardRunner::CloseIfRequested() {
  if (closeRequested_) closed_ = true;
}

void WizardRunner::Activate(int index) {
  active_ = index;
  FillFromTemplate(Active());
  if (closeRequested_) shownBeforeClose_ = true;
  Handle([this] { Active().OnSetActive(); });
}

void WizardRunner::Start() {
  if (sheet_.Pages().empty()) {
    closed_ = true;
    return;
  }
  Activate(0);
  CloseIfRequested();
}

bool WizardRunner::Back() {
  if (closed_ || !(buttons_ & kButtonBack)) return false;
  int result = kStay;
  Handle([&] { result = Active().OnWizardBack(); });
  if (result == kMove && active_ > 0) {
    Active().OnKillActive();
    Activate(active_ - 1);
  }
  CloseIfRequested();
  return true;
}

bool WizardRunner::Next() {
  if (closed_ || !(buttons_ & kButtonNext)) return false;
  int result = kStay;
  Handle([&] { result = Active().OnWizardNext(); });
  if (result == kMove && active_ + 1 < static_cast<int>(sheet_.Pages().size())) {
    Active().OnKillActive();
    Activate(active_ + 1);
  }
  CloseIfRequested();
  return true;
}

bool WizardRunner::Finish() {
  if (closed_ || !(buttons_ & kButtonFinish)) return false;
  bool close = false;
  Handle([&] { close = Active().OnWizardFinish(); });
  if (close) {
    Active().OnKillActive();
    closed_ = true;
  }
  CloseIfRequested();
  return true;
}

void WizardRunner::Cancel() {
  if (closed_) return;
  Active().OnKillActive();
  closed_ = true;
}

void WizardRunner::KeyDown(unsigned virtualKey) {
  if (closed_) return;
  Handle([&] { Active().OnKeyDown(virtualKey); });
  CloseIfRequested();
}

void WizardRunner::Tick() {
  if (closed_) return;
  CPage& page = Active();
  const auto timers = ActiveTimers();
  for (const auto& timer : timers) {
    const int id = timer.first;
    // A timer killed by an earlier tick of this round is not delivered.
    if (!timers_[&page].count(id) || closed_ || &Active() != &page) continue;
    Handle([&] { page.OnTimer(id); });
    CloseIfRequested();
  }
}

std::map<int, unsigned> WizardRunner::ActiveTimers() const {
  auto it = timers_.find(&Active());
  return it == timers_.end() ? std::map<int, unsigned>() : it->second;
}

bool WizardRunner::IsVisibleControl(int id, res::ControlKind kind) const {
  for (const res::Control& c : ActiveDialog().controls)
    if (c.id == id && c.kind == kind) return c.visible;
  return false;
}

bool WizardRunner::SetCheck(int id, bool checked) {
  if (closed_ || !IsVisibleControl(id, res::ControlKind::CheckBox)) return false;
  Control(Active(), id).checked = checked ? 1 : 0;
  return true;
}

bool WizardRunner::SelectRadio(int id) {
  if (closed_ || !IsVisibleControl(id, res::ControlKind::RadioButton)) return false;
  // Selecting one button of a group clears the others.
  bool inGroup = false;
  std::vector<int> group;
  for (const res::Control& c : ActiveDialog().controls) {
    if (c.kind != res::ControlKind::RadioButton) {
      if (inGroup) break;
      continue;
    }
    if (c.groupStart) {
      if (inGroup) break;
      group.clear();
    }
    group.push_back(c.id);
    if (c.id == id) inGroup = true;
  }
  for (int other : group) Control(Active(), other).checked = other == id ? 1 : 0;
  return true;
}

// Buttons posted after a close request are never applied: the close comes
// first out of the queue.
void WizardRunner::PostWizardButtons(int flags) {
  if (!closeRequested_) pendingButtons_ = flags;
}

void WizardRunner::AddPage(CPage& page) {
  sheet_.AddPage(page);
  page.Attach(this);
}

bool WizardRunner::SetTimer(CPage& page, int id, unsigned milliseconds) {
  timers_[&page][id] = milliseconds;
  return true;
}

void WizardRunner::KillTimer(CPage& page, int id) { timers_[&page].erase(id); }

void WizardRunner::UpdateData(CPage& page, bool save) {
  Exchange exchange(*this, page, save);
  page.DoDataExchange(exchange);
}

void WizardRunner::ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon) {
  view_.ShowMessage(text, caption, icon);
}

void WizardRunner::PostClose() { closeRequested_ = true; }

}  // namespace zr
