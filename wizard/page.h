// A wizard page: its template, its bound members and the handlers of the
// page protocol. Pages talk to the sheet only through ISheet and to each
// other only through the wizard state in the engine.
#pragma once

#include <string>

#include "engine/reg_edit.h"
#include "wizard/data_exchange.h"

namespace zr {

class CPage;

// Wizard buttons, as PSWIZB_* flags.
inline constexpr int kButtonBack = 1;
inline constexpr int kButtonNext = 2;
inline constexpr int kButtonFinish = 4;

// The chooser's debug key, as the last key-down recorded: D, or key 4 of the
// numeric keypad.
inline constexpr char kKeyD = 0x44;
inline constexpr char kKeyNumpad4 = 0x64;
inline bool IsDebugKey(char lastKey) { return lastKey == kKeyD || lastKey == kKeyNumpad4; }

// Results of Back and Next.
inline constexpr int kMove = 0;
inline constexpr int kStay = -1;

// What a page may ask of the sheet that holds it.
class ISheet {
 public:
  virtual ~ISheet() = default;
  // PSM_SETWIZBUTTONS, posted: it takes effect once the handler returns.
  virtual void PostWizardButtons(int flags) = 0;
  // Adds a page after the last one.
  virtual void AddPage(CPage& page) = 0;
  // Window timers of a page. SetTimer answers false when no timer could be
  // made.
  virtual bool SetTimer(CPage& page, int id, unsigned milliseconds) = 0;
  virtual void KillTimer(CPage& page, int id) = 0;
  // UpdateData: runs the page's data exchange against its controls.
  virtual void UpdateData(CPage& page, bool save) = 0;
};

class CPage {
 public:
  CPage(int templateId, const char* className, CRegEdit& engine)
      : templateId_(templateId), className_(className), engine_(engine) {}
  virtual ~CPage() = default;
  CPage(const CPage&) = delete;
  CPage& operator=(const CPage&) = delete;

  int TemplateId() const { return templateId_; }
  const char* ClassName() const { return className_; }

  // The protocol. Back and Next answer kMove or kStay; Finish true closes.
  virtual bool OnSetActive() { return true; }
  virtual int OnWizardBack() { return kMove; }
  virtual int OnWizardNext() { return kMove; }
  virtual bool OnWizardFinish() { return true; }
  // Called when the page loses its place as the active page.
  virtual void OnKillActive() {}
  // A key pressed while the page or one of its controls has the keyboard:
  // the virtual-key code.
  virtual void OnKeyDown(unsigned virtualKey) { (void)virtualKey; }
  virtual void OnTimer(int id) { (void)id; }
  virtual void DoDataExchange(DataExchange& dx) { (void)dx; }

  void Attach(ISheet* sheet) { sheet_ = sheet; }
  ISheet* Sheet() const { return sheet_; }

 protected:
  CRegEdit& Engine() { return engine_; }
  WizardState& Wizard() { return engine_.Wizard(); }
  void PostButtons(int flags) {
    if (sheet_ != nullptr) sheet_->PostWizardButtons(flags);
  }
  void UpdateData(bool save) {
    if (sheet_ != nullptr) sheet_->UpdateData(*this, save);
  }

 private:
  int templateId_;
  const char* className_;
  CRegEdit& engine_;
  ISheet* sheet_ = nullptr;
};

// Engine text (code-page bytes) as the UTF-8 the pages hold.
std::string FromEngineText(CRegEdit& engine, std::string_view bytes);

}  // namespace zr
