// The few window calls that carry text, in the character set the system
// really implements.
//
// Windows 98 and Me implement almost none of the wide-character window
// calls: user32's SetDlgItemTextW, GetDlgItemTextW, GetWindowTextLengthW and
// comctl32's PropertySheetW / CreatePropertySheetPageW are exported there
// but fail with ERROR_CALL_NOT_IMPLEMENTED unless the separate Unicode layer
// is installed, which this program does not ask for. MessageBoxW is one of
// the few wide calls 9x does implement, but a message box in one character
// set and its owner in another buys nothing. So the program picks once, at
// start-up: on the NT family (GetVersion's high bit clear) every text goes
// through the W calls as UTF-16; on 9x through the A calls, converted from
// UTF-8 to the system's ANSI code page (932 on a Japanese system) with
// WideCharToMultiByte. Dialog templates are Unicode on both families (the
// in-memory template format has no other form); 9x converts them itself.
//
// Calls without text (messages, window longs, timers, hooks) use the A
// entry points everywhere: they are real on both families and behave the
// same on Unicode windows.
#pragma once

#include <string>
#include <string_view>

#include "ui/win32/ui_windows.h"

namespace zr::win32ui {

class WindowText {
 public:
  // Decides by the running system.
  WindowText();
  // Forces a character set (tests run the ANSI path on NT as well).
  WindowText(bool wide, unsigned ansiCodePage) : wide_(wide), codePage_(ansiCodePage) {}

  bool Wide() const { return wide_; }
  unsigned CodePage() const { return codePage_; }

  void SetItemText(HWND dialog, int id, std::string_view utf8) const;
  std::string ItemText(HWND dialog, int id) const;
  std::string Text(HWND window) const;
  void MessageBoxOk(HWND owner, std::string_view text, std::string_view caption, UINT icon) const;

  // The ANSI form of a UTF-8 text, for the A calls.
  std::string Ansi(std::string_view utf8) const;
  std::wstring WideText(std::string_view utf8) const;

 private:
  bool wide_;
  unsigned codePage_;
};

}  // namespace zr::win32ui
