// What the engine may ask of the wizard sheet's window: the one message box
// of the key-tree deletion, and the close request after it. The Win32 front
// end maps these onto MessageBoxW and PostMessage(WM_CLOSE); the terminal
// front end shows the message and closes the wizard; tests record them.
#pragma once

#include <string_view>

namespace zr {

enum class MessageIcon { Information, Warning, Error };

class ISheetWindow {
 public:
  virtual ~ISheetWindow() = default;

  // A modal message box owned by the sheet, with an OK button; returns when
  // the user has dismissed it. Texts are UTF-8.
  virtual void ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon) = 0;

  // Asks the sheet to close once the current handler has returned (the
  // posted WM_CLOSE of the Windows program).
  virtual void PostClose() = 0;
};

}  // namespace zr
