// UpdateData on a real page window: a page's bound members against its
// controls, with the page's limits applied in both directions as on the
// Linux front end.
#pragma once

#include "ui/win32/window_text.h"
#include "wizard/data_exchange.h"

namespace zr::win32ui {

class ControlExchange final : public DataExchange {
 public:
  ControlExchange(HWND page, const WindowText& text, bool saving) : DataExchange(saving), page_(page), text_(text) {}

  void Text(int id, std::string& member, std::size_t limit) override;
  void Check(int id, int& member) override;
  // The group is the window system's own: from the first button, the radio
  // buttons that follow it in template order up to the next WS_GROUP.
  void Radio(int firstId, int& member) override;

 private:
  HWND page_;
  const WindowText& text_;
};

}  // namespace zr::win32ui
