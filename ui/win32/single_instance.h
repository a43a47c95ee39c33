// One wizard at a time. A second run would delete the first one's work file
// when its engine is built and write its own over it, so that neither run's
// records survive; the second start instead brings the running wizard to
// the front and ends before it builds an engine.
#pragma once

#include "ui/win32/ui_windows.h"
#include "ui/win32/window_text.h"

namespace zr::win32ui {

class SingleInstance {
 public:
  // Takes the program's named mutex; the first run holds it until it ends.
  SingleInstance();
  ~SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // True when another run held the mutex already.
  bool AnotherRunning() const { return another_; }

  // Brings the other run's wizard sheet (found by its caption) to the front.
  static void ShowOther(const WindowText& text);

 private:
  HANDLE mutex_ = nullptr;
  bool another_ = false;
};

}  // namespace zr::win32ui
