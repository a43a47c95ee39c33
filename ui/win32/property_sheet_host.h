// The Windows front end: runs a CDrvSheet as a comctl32 property sheet in
// wizard mode and is the sheet for its pages (ISheet) and for the engine
// (ISheetWindow).
//
// Mapping of the page protocol:
//   PSN_SETACTIVE  -> OnSetActive (DWLP_MSGRESULT 0 shows the page, -1 skips it)
//   PSN_WIZBACK / PSN_WIZNEXT -> OnWizardBack / OnWizardNext (0 move, -1 stay)
//   PSN_WIZFINISH  -> OnWizardFinish (true closes: DWLP_MSGRESULT FALSE)
//   PSN_KILLACTIVE -> OnKillActive
//   PSN_QUERYCANCEL is left to the sheet, so Cancel closes at once.
//   WM_TIMER on a page -> OnTimer, for the page's running timers only
//   WM_KEYDOWN addressed to the active page or one of its controls ->
//     OnKeyDown, seen in the UI thread's message retrieval (a WH_GETMESSAGE
//     hook), so a key on one of the sheet's own buttons never reaches a page.
//
// The sheet is created with a Help button and its pages ask for one; the
// one-time adjustment (the Help button destroyed, a ninth of the right
// edge's screen position taken off) runs after comctl32's own WM_INITDIALOG
// handling has returned: a thread CBT hook set around PropertySheet
// subclasses the sheet window as it is created.
#pragma once

#include <functional>
#include <memory>
#include <set>
#include <vector>

#include "app/drv_sheet.h"
#include "app/wizard_host.h"
#include "engine/sheet_window.h"
#include "ui/win32/dialog_template.h"
#include "ui/win32/window_text.h"

namespace zr::win32ui {

// The sheet's window rectangle in screen coordinates before and after the
// one-time width adjustment.
struct SheetGeometry {
  RECT before{};
  RECT after{};
};

// The right edge after the adjustment: a ninth of the right edge's screen
// position comes off, the quotient truncated toward zero (so a right edge at
// a negative position moves right).
constexpr int AdjustedRight(int right) { return right - right / 9; }

class PropertySheetHost final : public IWizardHost, public ISheet, public ISheetWindow {
 public:
  // `iconId`: the sheet's title-bar icon among the program's resources (0:
  // none).
  PropertySheetHost(HINSTANCE instance, const WindowText& text, int iconId);
  ~PropertySheetHost() override;
  PropertySheetHost(const PropertySheetHost&) = delete;
  PropertySheetHost& operator=(const PropertySheetHost&) = delete;

  // Called once the width adjustment is done.
  void OnAdjusted(std::function<void(const SheetGeometry&)> callback) { onAdjusted_ = std::move(callback); }

  // IWizardHost
  void RunModal(CDrvSheet& sheet) override;

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
  struct PageSlot {
    PropertySheetHost* host = nullptr;
    CPage* page = nullptr;
    HWND window = nullptr;
    TemplateUnits units;
    std::set<int> timers;  // running window timers
  };

  static INT_PTR CALLBACK PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK CreationHook(int code, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK SheetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  template <typename Header, typename Char>
  Header SheetHeader(DWORD size, DWORD flags, const Char* caption, std::vector<HPROPSHEETPAGE>& pages) const;
  static LRESULT CALLBACK MessageHook(int code, WPARAM removal, LPARAM lParam);

  // A page handle for `page`, with a slot that lives as long as the host.
  HPROPSHEETPAGE CreatePage(CPage& page);
  PageSlot* SlotOf(const CPage& page);
  PageSlot* SlotOf(HWND pageWindow);
  void Subclass(HWND sheet);
  void Initialize(HWND sheet);
  bool Notify(PageSlot& slot, const NMHDR& header);
  void KeyDown(const MSG& message);

  HINSTANCE instance_;
  const WindowText& text_;
  int iconId_;
  CDrvSheet* sheet_ = nullptr;
  HWND window_ = nullptr;
  std::vector<std::unique_ptr<PageSlot>> slots_;
  HHOOK hook_ = nullptr;
  HHOOK creationHook_ = nullptr;
  WNDPROC sheetProc_ = nullptr;  // the sheet window's own procedure
  bool sheetUnicode_ = false;
  std::function<void(const SheetGeometry&)> onAdjusted_;

  // The hooks and the sheet's subclass carry no context of their own; one
  // sheet runs at a time.
  static PropertySheetHost* running_;
};

}  // namespace zr::win32ui
